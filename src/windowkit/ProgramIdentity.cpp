#include "windowkit/ProgramIdentity.h"

#include "BuildIdentity.h"
#include "windowkit/LazyIconEngine.h"

#include <QApplication>
#include <QTimer>
#include <utility>

// The icon resource lives in a static library, so its registration must be pulled in by
// hand; the macro has to be used outside any namespace.
static int registerIconResource() {
    Q_INIT_RESOURCE(brellow);
    return 0;
}

static void initialiseIconResource() {
    static const int registered = registerIconResource();
    (void)registered;
}

namespace brellow::windowkit {
namespace {

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString ProgramIdentity::productName() {
    return fromView(identity::kProductName);
}

QString ProgramIdentity::version() {
    return QStringLiteral("%1.%2.%3")
        .arg(identity::kVersionMajor)
        .arg(identity::kVersionMinor)
        .arg(identity::kVersionRevision);
}

QString ProgramIdentity::comments() {
    return fromView(identity::kComments);
}

QString ProgramIdentity::webAddress() {
    return fromView(identity::kWebAddress);
}

QIcon ProgramIdentity::icon() {
    initialiseIconResource();
    QList<LazyIconEngine::Picture> pictures;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        pictures.append({QSize(size, size), QStringLiteral(":/icons/brellow-%1.png").arg(size)});
    }
    return QIcon(new LazyIconEngine(std::move(pictures)));
}

void ProgramIdentity::apply() {
    // Only the name: a display name would make Qt append " — Brellow" to every window
    // title on Linux, and the display name falls back to the name anyway, so untitled
    // message boxes still carry "Brellow".
    QApplication::setApplicationName(productName());
    // Lets the desktop match the running window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.brellow"));
    QApplication::setApplicationVersion(version());
}

void ProgramIdentity::applyIconLater(QApplication& application) {
    // Handing a window its icon makes Qt read every size of it for the window manager. The
    // windows shown so far are not to wait for that, so the icon follows once the event loop
    // runs. Queued after what they queued, it finds them with their own icon already.
    QTimer::singleShot(0, &application, [] { QApplication::setWindowIcon(icon()); });
}

} // namespace brellow::windowkit
