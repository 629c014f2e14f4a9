#pragma once

#include "ado/Connection.h"
#include "ado/Recordset.h"

#include <memory>

class QWidget;

namespace brellow::uiservices {
class ModalPresenter;
} // namespace brellow::uiservices

namespace brellow::results {

// The work step of View Connection Properties: lists every property of the open connection,
// one "name<TAB>value" row each, in a fresh results window shown modally over the owner.
// The call returns once that window is closed, so the connection stays open while it shows.
class PropertiesListing {
public:
    PropertiesListing(uiservices::ModalPresenter& modal, QWidget* owner);

    // A failure reading a property throws before the window is shown; the half-filled
    // window is discarded with it.
    void Run(ado::Connection& connection, std::unique_ptr<ado::Recordset>& recordset);

private:
    uiservices::ModalPresenter& modal_;
    QWidget* owner_;
};

} // namespace brellow::results
