// Saves pictures of the main window, its dialogs, the help window and a check's report for the
// documentation. Run under a display (Xvfb) with the settings of the demo; not installed.
//   mokuroku-screenshot OUTPUT_DIR
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "app/frmMain.h"
#include "platform/qt/Desktop.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: mokuroku-screenshot OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    platform::UseJapaneseFont();
    frmMain window(SettingsPath());
    if (!window.Form_Load()) return 1;
    window.show();
    int failures = 0;
    const auto save = [&](QWidget* w, const char* name) {
        if (!w || !w->grab().save(out.filePath(QString::fromLatin1(name)))) {
            std::fprintf(stderr, "mokuroku-screenshot: %s not saved\n", name);
            ++failures;
        }
    };
    // Pictures are taken once the windows have been painted. Each dialog is grabbed while it is
    // shown modally and then closed, which lets its opener go on to the next one.
    std::function<void(const char*, std::function<void(QWidget*)>)> grab_modal =
        [&](const char* name, std::function<void(QWidget*)> inside) {
            QTimer::singleShot(800, &window, [&, name, inside] {
                QWidget* dialog = QApplication::activeModalWidget();
                save(dialog, name);
                if (dialog && inside) inside(dialog);
                if (dialog) dialog->close();
            });
        };
    QTimer::singleShot(800, &window, [&] {
        save(&window, "main-window.png");
        grab_modal("about-box.png", {});
        window.cmdAbout_Click();
        grab_modal("check-set.png", [&](QWidget* check_set) {
            grab_modal("file-search-options.png", {});
            if (auto* details = check_set->findChild<QPushButton*>("cmdFileOption"))
                details->click();
            grab_modal("directory-chooser.png", {});
            if (auto* choose = check_set->findChild<QPushButton*>("cmdDirectoryDialog"))
                choose->click();
        });
        window.cmdEditSet_Click();
        grab_modal("environment.png", {});
        window.cmdOption_Click();
        window.cmdHelp_Click();
        QTimer::singleShot(800, &window, [&] {
            save(platform::HelpWindow(), "help-window.png");
            platform::QuitHelp();
            // A check of the demo's site; the picture is of the report at its end.
            QTimer::singleShot(1500, &window, [&] {
                QWidget* report = QApplication::activeModalWidget();
                save(report, "check-finished.png");
                if (report) report->close();
            });
            window.cmdExecute_Click();
            window.close();
        });
    });
    app.exec();
    return failures ? 1 : 0;
}
