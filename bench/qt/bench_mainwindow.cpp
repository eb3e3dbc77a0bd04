// Start-up of the main window over a settings file with many check sets.
//
//   QT_QPA_PLATFORM=offscreen bench_mainwindow [check sets]     (default 1000)
//
// Writes the settings file into a temporary directory, then times the window's construction
// and load (lock, tag table, settings, list) and its save at close. Both should stay well under
// a second for a thousand sets.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "app/frmMain.h"
#include "platform/HostPath.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    QTemporaryDir dir;
    const std::u16string ini =
        platform::HostToDrive(dir.filePath(QStringLiteral("mokuroku.ini")).toStdString());
    CheckSets sets;
    for (int i = 0; i < count; ++i) {
        CheckSet s = NewCheckSet();
        s.Name = u"チェック セット " + QString::number(i).toStdU16String();
        s.LocalPath = uR"(C:\home\user\sites\site)" + QString::number(i).toStdU16String() + u"\\";
        s.DefaultDocument = {u"index.html", u"index.htm", u"default.htm"};
        sets.push_back(s);
    }
    if (!SaveSettings(ini, sets, Settings{}, MainWindowState{})) return 1;

    QElapsedTimer t;
    t.start();
    frmMain window(ini);
    if (!window.Form_Load()) return 1;
    const qint64 load_ms = t.elapsed();
    t.restart();
    window.close();
    const qint64 save_ms = t.elapsed();
    std::printf("%d check sets (%d in the list): load %lld ms, save %lld ms\n", count,
                window.cmbTargetSet->count(), static_cast<long long>(load_ms),
                static_cast<long long>(save_ms));
    return 0;
}
