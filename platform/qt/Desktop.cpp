#include "platform/qt/Desktop.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QTextBrowser>
#include <QUrl>

#include "app/HelpDocument.h"
#include "gui/QtText.h"
#include "platform/HostPath.h"
#include "platform/Text.h"
#include "platform/qt/MessageBox.h"

namespace platform {
namespace {

constexpr std::u16string_view kHelpTitle = u" ヘルプ";
constexpr std::u16string_view kHelpMissing = u"ヘルプ ファイルが見つかりません。";

QPointer<QTextBrowser> help_window;

}  // namespace

QString ToHostPath(std::u16string_view drive_path) {
    std::string host;
    if (!DriveToHost(drive_path, host)) return {};
    return QString::fromStdString(host);
}

namespace {

int termination_pipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char byte = 1;
    // Only write() is safe in a signal handler; the event loop does the rest.
    [[maybe_unused]] ssize_t n = ::write(termination_pipe[1], &byte, 1);
}

}  // namespace

void CloseOnTermination(QWidget* window) {
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, window, &QWidget::close);
    if (termination_pipe[0] < 0 && ::pipe2(termination_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(termination_pipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char buffer[16];
        while (::read(termination_pipe[0], buffer, sizeof buffer) > 0) {
        }
        window->close();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(sig, &action, nullptr);
}

void UseJapaneseFont() {
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAGothic"),
                      QStringLiteral("IPAPGothic"), font.family()});
    QApplication::setFont(font);
}

bool DesktopShell::Open(std::u16string_view file, std::u16string_view) {
    const QString host = ToHostPath(file);
    if (host.isEmpty()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(host));
}

SingleInstance::SingleInstance() = default;
SingleInstance::~SingleInstance() = default;

SingleInstance::Result SingleInstance::Acquire(const QString& lock_path) {
    Release();
    QDir().mkpath(QFileInfo(lock_path).absolutePath());
    auto lock = std::make_unique<QLockFile>(lock_path);
    // Only a dead owner makes a lock stale: the first copy may run for days.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() != QLockFile::LockFailedError) return Result::Unavailable;
        // A lock file without its owner's details was left half written by a crash; a young one
        // may still be being written.
        qint64 pid = 0;
        QString host, app;
        const QDateTime written = QFileInfo(lock_path).lastModified();
        if (lock->getLockInfo(&pid, &host, &app) || !written.isValid() ||
            written.secsTo(QDateTime::currentDateTime()) < 10 || !lock->removeStaleLockFile() ||
            !lock->tryLock(0))
            return Result::HeldByAnother;
    }
    lock_ = std::move(lock);
    return Result::Acquired;
}

void SingleInstance::Release() {
    if (lock_) lock_->unlock();
    lock_.reset();
}

QString LockPathFor(const QString& settings_file) {
    return QFileInfo(settings_file).absolutePath() + QStringLiteral("/mokuroku.lock");
}

QString FindHelpDocument() {
    const std::u16string program = ProgramDirectory();
    const std::u16string found = app::FindHelpDocument(program);
    // Where it was looked for first, so that the error names a place.
    return ToHostPath(found.empty() ? program + std::u16string(app::kHelpFileName) : found);
}

bool ShowHelp(QWidget* owner, const QString& document, int context) {
    if (document.isEmpty() || !QFileInfo(document).isFile()) {
        ShowError(owner, ToQString(kHelpMissing) + QStringLiteral("\n") + document);
        return false;
    }
    if (!help_window) {
        help_window = new QTextBrowser(owner);
        help_window->setObjectName(QStringLiteral("HelpWindow"));
        help_window->setAttribute(Qt::WA_DeleteOnClose);
        help_window->setOpenExternalLinks(true);
        help_window->setWindowTitle(ToQString(ProductName()) + ToQString(kHelpTitle));
        help_window->resize(720, 640);
    }
    // A child of the window that asks, so that a modal dialog does not block its own help.
    if (help_window->parentWidget() != owner) help_window->setParent(owner);
    help_window->setWindowFlags(Qt::Window);
    QUrl url = QUrl::fromLocalFile(QFileInfo(document).absoluteFilePath());
    url.setFragment(QStringLiteral("ctx") + QString::number(context));
    help_window->setSource(url);
    help_window->show();
    help_window->raise();
    help_window->activateWindow();
    return true;
}

void QuitHelp() {
    if (help_window) help_window->close();
}

QWidget* HelpWindow() { return help_window; }

}  // namespace platform
