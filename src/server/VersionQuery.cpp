#include "server/VersionQuery.h"

#include <QLabel>
#include <QString>
#include <stdexcept>

namespace brellow::server {
namespace {

QString fieldText(db::Recordset& recordset, const char* name) {
    return QString::fromStdString(recordset.Fields().Item(name).Value().ToText());
}

} // namespace

VersionQuery::VersionQuery(QLabel& lblEdition, QLabel& lblVersion, QLabel& lblSPLevel)
    : lblEdition_(lblEdition), lblVersion_(lblVersion), lblSPLevel_(lblSPLevel) {}

void VersionQuery::Run(db::Connection& connection, std::unique_ptr<db::Recordset>& recordset) {
    recordset = connection.Execute(kQueryText);
    if (!recordset) {
        throw std::logic_error("The query returned no recordset");
    }
    // -1 means the count is not reported, and the row is there all the same.
    if (recordset->RecordCount() != 0) {
        lblEdition_.setText(fieldText(*recordset, "Edition"));
        lblVersion_.setText(fieldText(*recordset, "ProductVersion"));
        lblSPLevel_.setText(fieldText(*recordset, "ProductLevel"));
    }
    recordset->Close();
}

} // namespace brellow::server
