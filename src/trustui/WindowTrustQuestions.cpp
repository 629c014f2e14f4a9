#include "trustui/WindowTrustQuestions.h"

#include "trustui/TrustQuestion.h"
#include "uiservices/ModalPresenter.h"

#include <QDateTime>

namespace brellow::trustui {
namespace {

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QString utc(std::time_t when) {
    return QDateTime::fromSecsSinceEpoch(when, Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd hh:mm 'UTC'"));
}

QStringList particulars(const trust::CertificateProbe::Result& shown) {
    const trust::CertificateFacts& facts = shown.certificate;
    return {QStringLiteral("Subject:     ") + text(facts.subject),
            QStringLiteral("Issuer:      ") + text(facts.issuer),
            QStringLiteral("Valid from:  ") + utc(facts.notBefore),
            QStringLiteral("Valid until: ") + utc(facts.notAfter),
            QStringLiteral("Key:         %1 %2 bits, signed %3")
                .arg(text(facts.publicKeyAlgorithm))
                .arg(facts.keyBits)
                .arg(text(facts.signatureAlgorithm)),
            QStringLiteral("SHA-256:     ") + text(facts.sha256)};
}

QStringList problemSentences(const trust::CertificateProbe::Result& shown,
                             const std::string& problem) {
    QStringList sentences;
    for (const std::string& sentence : shown.problems.sentences()) {
        sentences << text(sentence);
    }
    if (!problem.empty()) {
        sentences << text(problem);
    }
    return sentences;
}

} // namespace

trust::TrustQuestions::Choice
WindowTrustQuestions::askUnknown(const std::string& server,
                                 const trust::CertificateProbe::Result& shown,
                                 const std::string& problem) {
    TrustQuestion::Content content;
    content.headline = QStringLiteral("%1 shows a certificate that this computer cannot vouch for.")
                           .arg(text(server));
    content.sentences = problemSentences(shown, problem);
    content.sentences << QStringLiteral(
        "Compare its SHA-256 fingerprint with the one on the server. If you trust it, the login "
        "goes only to a server that shows this certificate; nothing has been sent yet.");
    content.particulars = particulars(shown);
    content.goOnCaption = QStringLiteral("&Trust");
    content.offerToRemember = true;
    TrustQuestion question(content, owner_);
    modal_.showModal(question, owner_);
    return {question.wentOn(), question.remember()};
}

trust::TrustQuestions::Choice
WindowTrustQuestions::warnChanged(const std::string& server, const trust::Pin& pinned,
                                  const trust::CertificateProbe::Result& shown,
                                  const std::string& problem) {
    TrustQuestion::Content content;
    content.headline =
        QStringLiteral("Warning: the certificate of %1 has changed.").arg(text(server));
    content.sentences << QStringLiteral(
        "The server may have been given a new certificate, or another machine may be answering "
        "in its place to read your login. Nothing has been sent.");
    content.sentences << problemSentences(shown, problem);
    content.particulars = particulars(shown);
    content.particulars << QStringLiteral("Trusted before, SHA-256: ") + text(pinned.sha256);
    content.goOnCaption = QStringLiteral("&Trust the new certificate");
    content.offerToRemember = true;
    TrustQuestion question(content, owner_);
    modal_.showModal(question, owner_);
    return {question.wentOn(), question.remember()};
}

bool WindowTrustQuestions::warnDowngrade(const std::string& server, const trust::Pin& pinned) {
    TrustQuestion::Content content;
    content.headline =
        QStringLiteral("Warning: %1 no longer protects the login as it did.").arg(text(server));
    content.sentences << (pinned.speaksStrict
                              ? QStringLiteral("It spoke TDS 8.0 (strict encryption) before, "
                                               "and now turns it away.")
                              : QStringLiteral("It encrypted the login before, and now says it "
                                               "cannot."))
                      << QStringLiteral("Another machine may be answering in its place. Nothing "
                                        "has been sent.");
    content.goOnCaption = QStringLiteral("&Log in as it now offers");
    TrustQuestion question(content, owner_);
    modal_.showModal(question, owner_);
    return question.wentOn();
}

bool WindowTrustQuestions::askPlaintext(const std::string& server) {
    TrustQuestion::Content content;
    content.headline = QStringLiteral("%1 cannot encrypt.").arg(text(server));
    content.sentences << QStringLiteral(
        "The password would cross the network in clear, readable by anyone on the way. Nothing "
        "has been sent yet.");
    content.goOnCaption = QStringLiteral("&Send it in clear");
    TrustQuestion question(content, owner_);
    modal_.showModal(question, owner_);
    return question.wentOn();
}

} // namespace brellow::trustui
