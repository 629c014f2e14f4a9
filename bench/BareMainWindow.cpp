// The start-up benchmark's yardstick: a plain Qt main window with the same controls as
// Brellow's, at the same places and with the same texts, but nothing else: no font set-up, no
// icon, no database component, no services. What Brellow takes beyond this is what it adds.
//
//   brellow-bench-bare-window
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

QRect twips(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}

QLabel* label(QWidget* parent, const char* text, const QRect& geometry) {
    auto* result = new QLabel(QString::fromLatin1(text), parent);
    result->setGeometry(geometry);
    return result;
}

QLineEdit* textBox(QWidget* parent, const QRect& geometry) {
    auto* result = new QLineEdit(parent);
    result->setGeometry(geometry);
    return result;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Brellow"));
    auto* client = new QWidget(&window);
    client->setFixedSize(423, 162);
    window.setCentralWidget(client);

    auto* check = new QCheckBox(QStringLiteral("Do Not Use Integrated Security"), client);
    check->setGeometry(twips(240, 840, 3015, 255));
    QLineEdit* server = textBox(client, twips(120, 360, 2295, 375));
    auto* button = new QPushButton(QStringLiteral("Get Version Info"), client);
    button->setGeometry(twips(2640, 360, 1575, 375));
    auto* frame = new QGroupBox(client);
    frame->setGeometry(twips(120, 840, 4095, 1455));
    textBox(frame, twips(1320, 360, 2295, 375));
    textBox(frame, twips(1320, 840, 2295, 375))->setEchoMode(QLineEdit::Password);
    label(frame, "User Name", twips(120, 360, 1095, 375));
    label(frame, "Password", twips(240, 840, 975, 375));
    auto* line = new QFrame(client);
    line->setGeometry(0, 0, 424, 1);
    label(client, "SQL Server Name/IP", twips(120, 120, 2295, 255));
    // The three headings, each with its answer field under it.
    label(client, "SQL Server Edition", twips(4440, 360, 1815, 255));
    label(client, "", twips(4440, 600, 1815, 255));
    label(client, "SQL Server Version", twips(4440, 1080, 1815, 255));
    label(client, "", twips(4440, 1320, 1815, 255));
    label(client, "SQL Server SP Level", twips(4440, 1800, 1815, 255));
    label(client, "", twips(4440, 2040, 1815, 255));
    check->raise();

    QMenuBar* bar = window.menuBar();
    bar->addMenu(QStringLiteral("&Program"))->addAction(QStringLiteral("E&xit"));
    QMenu* tools = bar->addMenu(QStringLiteral("&Tools"));
    tools->addAction(QStringLiteral("&View Connection Properties"));
    tools->addAction(QStringLiteral("&View Configuration Parameters"));
    bar->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&About"));
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);
    server->setFocus();

    window.adjustSize();
    window.move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                    window.screen()->availableGeometry())
                    .topLeft());
    window.show();
    return QApplication::exec();
}
