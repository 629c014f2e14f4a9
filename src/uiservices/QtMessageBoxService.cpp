#include "uiservices/QtMessageBoxService.h"

#include <QApplication>
#include <QMessageBox>

namespace brellow::uiservices {
namespace {

QMessageBox::Icon iconForStyle(int style) {
    switch (style & 0x70) {
    case MessageBoxService::kCritical:
        return QMessageBox::Critical;
    case 32:
        return QMessageBox::Question;
    case MessageBoxService::kExclamation:
        return QMessageBox::Warning;
    case MessageBoxService::kInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

void QtMessageBoxService::show(const QString& text, int style,
                               const std::optional<QString>& title) {
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr) {
        owner = QApplication::activeWindow();
    }
    QMessageBox box(iconForStyle(style), title.value_or(QApplication::applicationDisplayName()),
                    text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace brellow::uiservices
