#pragma once

#include "ui/WindowServices.hpp"

#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class QMenuBar;

namespace ventora {

class MainWindowController;

/// The application shell: creates the one main window controller once launching has
/// finished, builds the menu bar, shows About and Help, opens the donation page, and routes
/// every quit request (the Quit item, the close-window key and closing the window) through the
/// controller, which defers it while a job runs. It keeps no workflow of its own.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    struct Links {
        std::optional<QUrl> donationPage;
        std::optional<QUrl> contactMail;
    };

    AppDelegate(std::shared_ptr<WindowServices> services, Links links,
                std::function<void()> terminate, QObject* parent = nullptr);
    ~AppDelegate() override;

    /// The application's termination: ends every running event loop at once, a modal
    /// dialog's included, so no open dialog can refuse it.
    static void endEventLoop();

    void applicationDidFinishLaunching();
    /// A quit request: terminates now when idle (true), otherwise defers it (false).
    bool applicationShouldTerminate();
    /// A file opened from the file manager, which the system sends to the application as a
    /// QFileOpenEvent (watched through this delegate's event filter on the application). It
    /// is loaded as a drop would be; one that arrives before launching has finished waits
    /// for the window.
    void openFile(const QString& path);

    [[nodiscard]] MainWindowController* windowController() const {
        return m_windowController.get();
    }
    [[nodiscard]] QMenuBar* menuBar() const;

public slots:
    void showAbout();
    void showHelp();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus(QMenuBar& menuBar);
    /// The main window, once launching has finished; the parent of About and Help.
    [[nodiscard]] QWidget* window() const;

    std::shared_ptr<WindowServices> m_services;
    Links m_links;
    std::function<void()> m_terminate;
    std::unique_ptr<MainWindowController> m_windowController;
    std::optional<QString> m_fileToOpenAtLaunch;
};

} // namespace ventora
