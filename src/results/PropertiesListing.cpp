#include "results/PropertiesListing.h"

#include "results/FrmResults.h"
#include "uiservices/ModalPresenter.h"

#include <QListWidget>
#include <cstdint>

namespace brellow::results {

PropertiesListing::PropertiesListing(uiservices::ModalPresenter& modal, QWidget* owner)
    : modal_(modal), owner_(owner) {}

void PropertiesListing::Run(ado::Connection& connection, std::unique_ptr<ado::Recordset>&) {
    const auto frmResults = std::make_unique<FrmResults>(owner_);
    // Computed wide, so that no count the component reports can overflow it.
    const std::int64_t last = std::int64_t{connection.Properties().Count()} - 1;
    for (std::int64_t i = 0; i <= last; ++i) {
        const auto position = static_cast<std::int32_t>(i);
        const std::string name = connection.Properties().Item(position).Name();
        const std::string value = connection.Properties().Item(position).Value().ToTextOrEmpty();
        frmResults->lstResults()->addItem(QString::fromStdString(name) + QLatin1Char('\t') +
                                          QString::fromStdString(value));
    }
    modal_.ShowModal(*frmResults, owner_);
}

} // namespace brellow::results
