#pragma once

#include "trust/TrustQuestions.h"

class QWidget;

namespace brellow::uiservices {
class ModalPresenter;
}

namespace brellow::trustui {

// The trust gate's questions, put to the user in a window over the owner.
class WindowTrustQuestions final : public trust::TrustQuestions {
public:
    WindowTrustQuestions(uiservices::ModalPresenter& modal, QWidget* owner)
        : modal_(modal), owner_(owner) {}

    Choice askUnknown(const std::string& server, const trust::CertificateProbe::Result& shown,
                      const std::string& problem) override;
    Choice warnChanged(const std::string& server, const trust::Pin& pinned,
                       const trust::CertificateProbe::Result& shown,
                       const std::string& problem) override;
    bool warnDowngrade(const std::string& server, const trust::Pin& pinned) override;
    bool askPlaintext(const std::string& server) override;

private:
    uiservices::ModalPresenter& modal_;
    QWidget* owner_;
};

} // namespace brellow::trustui
