#pragma once

#include "db/Connection.h"
#include "db/Recordset.h"

#include <memory>

class QWidget;

namespace brellow::platform {
class ModalPresenter;
}

namespace brellow::results {

// The work step of View Connection Properties: lists every property of the open connection,
// one "name<TAB>value" row each, in a fresh results window shown modally over the owner.
// The call returns once that window is closed, so the connection stays open while it shows.
class PropertiesListing {
public:
    PropertiesListing(platform::ModalPresenter& modal, QWidget* owner);

    // A failure reading a property throws before the window is shown; the half-filled
    // window is discarded with it.
    void Run(db::Connection& connection, std::unique_ptr<db::Recordset>& recordset);

private:
    platform::ModalPresenter& modal_;
    QWidget* owner_;
};

} // namespace brellow::results
