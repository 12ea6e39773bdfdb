#include "ui/MainWindowView.hpp"

#include "core/GpuFamily.hpp"
#include "core/PatchMode.hpp"
#include "ui/Appearance.hpp"
#include "ui/CardView.hpp"
#include "ui/LogView.hpp"
#include "ui/PrimaryButton.hpp"
#include "ui/ThresholdBox.hpp"
#include "ui/ValueBox.hpp"

#include <QBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>

namespace ventora {
namespace {

const QString supportedTargets =
    QStringLiteral("Supported targets: ") +
    QString::fromUtf8(supportedGpuTargets.data(),
                      static_cast<qsizetype>(supportedGpuTargets.size())) +
    QStringLiteral(". ZeroRPM OFF keeps fan-stop disabled; FAN 35 \u00B0C starts at 35 \u00B0C "
                   "and may stop at 30 \u00B0C. Output: ") +
    QString::fromStdString(archiveName(PatchMode::zeroRpmPure)) + QStringLiteral(" or ") +
    QString::fromStdString(archiveName(PatchMode::fan35)) + QStringLiteral(".");

const QString devicePathToolTip =
    QStringLiteral("Leave empty for automatic IORegistry detection, or enter the complete OpenCore "
                   "DeviceProperties GPU path manually.");

QLabel* singleLineLabel(const QString& text, const QFont& font, const QColor& colour) {
    auto* label = new QLabel(text);
    label->setFont(font);
    label->setWordWrap(false);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return label;
}

QLabel* wrappingLabel(const QString& text, const QFont& font, const QColor& colour) {
    QLabel* label = singleLineLabel(text, font, colour);
    label->setWordWrap(true);
    // A new policy drops the height-for-width flag word wrap set; without it the window would
    // squeeze the wrapped lines instead of scrolling.
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    label->setSizePolicy(policy);
    return label;
}

// A card holding one box layout with the given spacing and margins (left, top, right, bottom).
template <typename Layout>
CardView* card(Layout*& layout, int spacing, QMargins margins, int minimumHeight) {
    auto* view = new CardView;
    layout = new Layout(view);
    layout->setSpacing(spacing);
    layout->setContentsMargins(margins);
    view->setMinimumHeight(minimumHeight);
    return view;
}

QLabel* boxTitle(const QString& text) {
    QLabel* title = singleLineLabel(text, Appearance::systemFont(13, QFont::DemiBold), Qt::white);
    title->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return title;
}

// One row: the title at a fixed width, the value box taking the room left, then the button.
QWidget* valueCard(const QString& title, int titleWidth, ValueBox* box, PrimaryButton* button) {
    QHBoxLayout* layout = nullptr;
    CardView* view = card(layout, 12, QMargins(16, 14, 16, 14), 64);
    QLabel* titleLabel = boxTitle(title);
    titleLabel->setFixedWidth(titleWidth);
    layout->addWidget(titleLabel, 0, Qt::AlignVCenter);
    layout->addWidget(box, 1, Qt::AlignVCenter);
    layout->addWidget(button, 0, Qt::AlignVCenter);
    return view;
}

// The thresholds the custom row offers first: a quieter card that still stops its fan.
constexpr FanStopTemperatures defaultCustom{45, 40};

PrimaryButton* actionButton(const QString& title, int minimumWidth, int minimumHeight) {
    auto* button = new PrimaryButton(title);
    button->setMinimumSize(minimumWidth, minimumHeight);
    return button;
}

// Appends every control in `layout` that Tab can reach, in the order the layout places them,
// descending into nested layouts and into the layouts of plain container widgets.
void appendFocusChain(const QLayout& layout, QList<QWidget*>& chain) {
    for (int index = 0; index < layout.count(); ++index) {
        QLayoutItem* item = layout.itemAt(index);
        if (const QLayout* nested = item->layout()) {
            appendFocusChain(*nested, chain);
        } else if (QWidget* widget = item->widget()) {
            if (widget->focusPolicy() & Qt::TabFocus) {
                chain.append(widget);
            } else if (const QLayout* inner = widget->layout()) {
                appendFocusChain(*inner, chain);
            }
        }
    }
}

} // namespace

MainWindowView::MainWindowView() {
    setWindowTitle(QStringLiteral("Ventora"));
    setWindowIcon(QIcon(QStringLiteral(":/ventora/ventora.png")));
    setPalette(Appearance::darkPalette());
    setAutoFillBackground(true);
    setAcceptDrops(true);
    setupWindow();
    resize(openingSize());
}

QSize MainWindowView::openingSize() const {
    return initialSize.expandedTo({0, m_content->heightForWidth(initialSize.width())});
}

void MainWindowView::placeOnScreen() {
    const auto* bar = qobject_cast<const QMenuBar*>(menuWidget());
    const QSize barSize(0,
                        bar != nullptr && !bar->isNativeMenuBar() ? bar->sizeHint().height() : 0);
    const QScreen* display = screen();
    if (display == nullptr) {
        resize(openingSize() + barSize);
        return;
    }
    // The frame is known only once a window manager has framed the window; until then it is
    // empty and the window manager keeps the framed window inside the work area itself.
    const QSize frame = frameGeometry().size() - geometry().size();
    const QRect area = display->availableGeometry();
    const QSize room = area.size() - frame;
    setMinimumSize((minimumContentSize + barSize).boundedTo(room));
    resize((openingSize() + barSize).boundedTo(room));
    const QSize framed = size() + frame;
    move(area.topLeft() +
         QPoint((area.width() - framed.width()) / 2, (area.height() - framed.height()) / 2));
}

QList<QWidget*> MainWindowView::focusChain() const {
    QList<QWidget*> chain;
    appendFocusChain(*m_content->layout(), chain);
    return chain;
}

void MainWindowView::setupWindow() {
    m_content = new QWidget;
    QWidget* content = m_content;
    content->setMinimumSize(minimumContentSize);
    auto* root = new QVBoxLayout(content);
    root->setSpacing(10);
    root->setContentsMargins(14, 14, 14, 14);
    root->addWidget(headerCard());
    root->addWidget(inputCard());
    root->addWidget(devicePathCard());
    root->addWidget(statusCardsRow());
    root->addWidget(actionsCard());
    root->addWidget(logCard(), 1);
    m_statusLabel =
        singleLineLabel(QStringLiteral("Output: Desktop/ZeroRPM.zip or Desktop/ZeroRPM35.zip"),
                        Appearance::systemFont(12), Appearance::secondaryTextColor());
    root->addWidget(m_statusLabel);

    // On a screen smaller than the window the content keeps its own minimum size and scrolls;
    // moving the focus scrolls the focused control into view.
    auto* scroller = new QScrollArea;
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setWidgetResizable(true);
    scroller->setWidget(content);
    scroller->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    setCentralWidget(scroller);

    const QList<QWidget*> chain = focusChain();
    for (qsizetype index = 1; index < chain.size(); ++index) {
        setTabOrder(chain[index - 1], chain[index]);
    }
}

QWidget* MainWindowView::headerCard() {
    QHBoxLayout* layout = nullptr;
    CardView* view = card(layout, 14, QMargins(16, 14, 16, 14), 104);
    auto* icon = new QLabel;
    icon->setFixedSize(66, 66);
    icon->setPixmap(QIcon(QStringLiteral(":/ventora/ventora.png")).pixmap(66, 66));
    icon->setScaledContents(true);
    layout->addWidget(icon, 0, Qt::AlignVCenter);

    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    column->addWidget(wrappingLabel(QStringLiteral("Ventora"),
                                    Appearance::systemFont(22, QFont::Bold), Qt::white));
    column->addWidget(wrappingLabel(QStringLiteral("Fan Always On or FAN 35 \u00B0C Solution"),
                                    Appearance::systemFont(17, QFont::DemiBold), Qt::white));
    column->addWidget(
        wrappingLabel(QStringLiteral("Navi 10/14 / Navi 21/22/23 + Polaris + Vega 10/20"),
                      Appearance::systemFont(14, QFont::DemiBold), Qt::white));
    layout->addLayout(column, 1);
    layout->setAlignment(column, Qt::AlignVCenter);
    return view;
}

QWidget* MainWindowView::inputCard() {
    m_inputBox = new ValueBox(QStringLiteral("Load a GPU-Z ROM or SPPT export to start."));
    m_loadButton = actionButton(QStringLiteral("Load VBIOS ROM / SPPT"), 190, 42);
    return valueCard(QStringLiteral("Input"), 78, m_inputBox, m_loadButton);
}

QWidget* MainWindowView::devicePathCard() {
    m_devicePathBox = new ValueBox(QString());
    QLineEdit* field = m_devicePathBox->label();
    field->setReadOnly(false);
    field->setFocusPolicy(Qt::StrongFocus);
    field->setToolTip(devicePathToolTip);
    m_detectButton = actionButton(QStringLiteral("Detect Path"), 130, 42);
    return valueCard(QStringLiteral("DeviceProperties"), 128, m_devicePathBox, m_detectButton);
}

QWidget* MainWindowView::statusCardsRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    // `detail`, when given, is a second line under the value; `buttons` sit on the title's
    // line, to its right.
    const auto infoCard = [&](const QString& title, const QString& value, QLabel* detail,
                              std::initializer_list<PrimaryButton*> buttons) {
        QVBoxLayout* column = nullptr;
        CardView* view = card(column, 9, QMargins(18, 16, 18, 16), 78);
        view->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        auto* titleLine = new QHBoxLayout;
        titleLine->setSpacing(8);
        titleLine->addWidget(singleLineLabel(title, Appearance::systemFont(12, QFont::DemiBold),
                                             Appearance::secondaryTextColor()),
                             1, Qt::AlignVCenter);
        for (PrimaryButton* button : buttons) {
            titleLine->addWidget(button, 0, Qt::AlignVCenter);
        }
        column->addLayout(titleLine);
        QLabel* valueLabel =
            singleLineLabel(value, Appearance::systemFont(13, QFont::DemiBold), Qt::white);
        column->addWidget(valueLabel);
        if (detail != nullptr) {
            column->addWidget(detail);
        }
        column->addStretch(1);
        layout->addWidget(view, 1, Qt::AlignTop);
        return valueLabel;
    };
    m_spptSummary =
        singleLineLabel(QString(), Appearance::systemFont(12), Appearance::secondaryTextColor());
    m_spptValue = infoCard(QStringLiteral("SPPT"), QStringLiteral("Not loaded"), m_spptSummary, {});
    m_chooseConfigButton = actionButton(QStringLiteral("Choose\u2026"), 84, 28);
    m_chooseConfigButton->setToolTip(
        QStringLiteral("Merge into your own OpenCore config.plist instead of the embedded one. "
                       "Your file is only read."));
    m_embeddedConfigButton = actionButton(QStringLiteral("Use Embedded"), 104, 28);
    m_embeddedConfigButton->setToolTip(
        QStringLiteral("Go back to the embedded base config.plist."));
    m_configValue = infoCard(QStringLiteral("Config"), QStringLiteral("Embedded base config.plist"),
                             nullptr, {m_chooseConfigButton, m_embeddedConfigButton});
    return row;
}

QWidget* MainWindowView::actionsCard() {
    QVBoxLayout* layout = nullptr;
    CardView* view = card(layout, 12, QMargins(16, 16, 16, 16), 104);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    m_generateZeroButton =
        actionButton(QStringLiteral("Generate ZeroRPM OFF\nFan Always On"), 0, 48);
    m_generateFan35Button =
        actionButton(QStringLiteral("Generate FAN 35 \u00B0C\nSolution"), 0, 48);
    m_donateButton = actionButton(QStringLiteral("PayPal Donate"), 0, 48);
    for (PrimaryButton* button : {m_generateZeroButton, m_generateFan35Button, m_donateButton}) {
        // Ignored width hints plus equal stretch give the three buttons equal widths.
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Minimum);
        buttons->addWidget(button, 1, Qt::AlignVCenter);
    }
    layout->addLayout(buttons);
    layout->addLayout(customRow());
    layout->addWidget(wrappingLabel(supportedTargets, Appearance::systemFont(12),
                                    Appearance::secondaryTextColor()));
    return view;
}

QLayout* MainWindowView::customRow() {
    m_customStartBox =
        new ThresholdBox(PatchMode::minimumStart, PatchMode::maximumStart, defaultCustom.start);
    m_customStopBox = new ThresholdBox(
        PatchMode::minimumStop, defaultCustom.start - PatchMode::minimumGap, defaultCustom.stop);
    m_generateCustomButton = actionButton(QString(), 0, 36);
    m_generateCustomButton->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Minimum);

    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    for (QWidget* item : {static_cast<QWidget*>(boxTitle(QStringLiteral("Fan start"))),
                          static_cast<QWidget*>(m_customStartBox),
                          static_cast<QWidget*>(boxTitle(QStringLiteral("Stop"))),
                          static_cast<QWidget*>(m_customStopBox)}) {
        row->addWidget(item, 0, Qt::AlignVCenter);
    }
    row->addWidget(m_generateCustomButton, 1, Qt::AlignVCenter);

    connect(m_customStartBox, &QSpinBox::valueChanged, this,
            &MainWindowView::followCustomThresholds);
    connect(m_customStopBox, &QSpinBox::valueChanged, this,
            &MainWindowView::followCustomThresholds);
    followCustomThresholds();
    return row;
}

void MainWindowView::followCustomThresholds() {
    m_customStopBox->setMaximum(m_customStartBox->value() - PatchMode::minimumGap);
    m_generateCustomButton->setText(QStringLiteral("Generate ") +
                                    QString::fromStdString(presetName(customPreset())));
}

PatchMode MainWindowView::customPreset() const {
    return PatchMode::custom(m_customStartBox->value(), m_customStopBox->value());
}

QWidget* MainWindowView::logCard() {
    QVBoxLayout* layout = nullptr;
    CardView* view = card(layout, 10, QMargins(16, 14, 16, 16), 0);
    layout->addWidget(singleLineLabel(QStringLiteral("Log"),
                                      Appearance::systemFont(12, QFont::DemiBold),
                                      Appearance::secondaryTextColor()));
    m_logView = new LogView;
    layout->addWidget(m_logView, 1);
    return view;
}

} // namespace ventora
