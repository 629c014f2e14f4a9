#include "trustui/TrustQuestion.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brellow::trustui {

TrustQuestion::TrustQuestion(const Content& content, QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmTrustQuestion"));
    setWindowTitle(QStringLiteral("Server Certificate"));
    auto* layout = new QVBoxLayout(this);

    auto* headline = new QLabel(content.headline, this);
    headline->setObjectName(QStringLiteral("lblHeadline"));
    headline->setWordWrap(true);
    QFont bold = headline->font();
    bold.setBold(true);
    headline->setFont(bold);
    layout->addWidget(headline);

    auto* text = new QLabel(content.sentences.join(QLatin1Char(' ')), this);
    text->setObjectName(QStringLiteral("lblExplanation"));
    text->setWordWrap(true);
    layout->addWidget(text);

    if (!content.particulars.isEmpty()) {
        auto* particulars = new QPlainTextEdit(content.particulars.join(QLatin1Char('\n')), this);
        particulars->setObjectName(QStringLiteral("txtCertificate"));
        particulars->setAccessibleName(QStringLiteral("Certificate"));
        particulars->setReadOnly(true);
        particulars->setLineWrapMode(QPlainTextEdit::NoWrap);
        particulars->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        particulars->setMinimumWidth(
            particulars->fontMetrics().horizontalAdvance(QString(110, QLatin1Char('0'))));
        particulars->setFixedHeight(
            particulars->fontMetrics().lineSpacing() * (int(content.particulars.size()) + 1) + 12);
        layout->addWidget(particulars);
    }

    if (content.offerToRemember) {
        rememberBox_ = new QCheckBox(QStringLiteral("&Remember for this server"), this);
        rememberBox_->setObjectName(QStringLiteral("chkRemember"));
        layout->addWidget(rememberBox_);
    }

    auto* buttons = new QDialogButtonBox(this);
    auto* goOn = buttons->addButton(content.goOnCaption, QDialogButtonBox::AcceptRole);
    goOn->setObjectName(QStringLiteral("cmdGoOn"));
    goOn->setAutoDefault(false);
    auto* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    // Sending nothing is what Enter does.
    cancel->setDefault(true);
    cancel->setFocus();
    connect(goOn, &QPushButton::clicked, this, [this] {
        wentOn_ = true;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool TrustQuestion::remember() const {
    return wentOn_ && rememberBox_ != nullptr && rememberBox_->isChecked();
}

} // namespace brellow::trustui
