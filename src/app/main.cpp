#include "app/AppDelegate.hpp"
#include "core/PlatformContext.hpp"
#include "ui/Appearance.hpp"
#include "ui/ContactLinks.hpp"
#include "ui/SystemWindowServices.hpp"

#include <QApplication>
#include <QIcon>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ventora"));
    QApplication::setDesktopFileName(QStringLiteral("ventora"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/ventora/ventora.png")));
    // Quitting goes through the delegate, which waits for a running job first.
    QApplication::setQuitOnLastWindowClosed(false);
    ventora::Appearance::applyDarkAppearance(application);

    ventora::AppDelegate delegate(
        std::make_shared<ventora::SystemWindowServices>(ventora::PlatformContext::fromSystem()),
        {ventora::ContactLinks::donationPage(), ventora::ContactLinks::contactMail()},
        &ventora::AppDelegate::endEventLoop);
    // Files opened from the file manager arrive as events to the application.
    application.installEventFilter(&delegate);
    QTimer::singleShot(0, &delegate, &ventora::AppDelegate::applicationDidFinishLaunching);
    return QApplication::exec();
}
