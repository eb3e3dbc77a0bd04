// The desktop program: one main window over the settings file of this user (or of this copy).
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include "app/frmMain.h"
#include "gui/QtText.h"
#include "platform/Program.h"
#include "platform/qt/Desktop.h"
#include "settings/SettingsFile.h"

int main(int argc, char* argv[]) {
    platform::SetUpMemory(argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mokuroku"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("mokuroku")));
    platform::UseJapaneseFont();
    platform::DesktopShell shell;
    platform::ScopedShell use_shell(shell);

    const std::u16string settings_path = SettingsPath();
    const QString host = platform::ToHostPath(settings_path);
    if (!host.isEmpty()) QDir().mkpath(QFileInfo(host).absolutePath());

    frmMain window(settings_path);
    // Before the load: a signal that comes meanwhile closes the window once the loop runs.
    platform::CloseOnTermination(&window);
    if (!window.Form_Load()) return 1;
    window.show();
    return app.exec();
}
