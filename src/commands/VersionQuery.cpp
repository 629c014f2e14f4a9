#include "commands/VersionQuery.h"

#include "commands/ServerInfoLabels.h"

#include <QString>
#include <stdexcept>

namespace brellow::commands {
namespace {

QString fieldText(ado::Recordset& recordset, const char* name) {
    return QString::fromStdString(recordset.Fields().Item(name).Value().ToText());
}

} // namespace

VersionQuery::VersionQuery(ServerInfoLabels& labels) : labels_(labels) {}

void VersionQuery::Run(ado::Connection& connection, std::unique_ptr<ado::Recordset>& recordset) {
    recordset = connection.Execute(kQueryText);
    if (!recordset) {
        throw std::logic_error("The query returned no recordset");
    }
    // -1 means the count is not reported, and the row is there all the same.
    if (recordset->RecordCount() != 0) {
        labels_.SetEdition(fieldText(*recordset, "Edition"));
        labels_.SetVersion(fieldText(*recordset, "ProductVersion"));
        labels_.SetSPLevel(fieldText(*recordset, "ProductLevel"));
    }
    recordset->Close();
}

} // namespace brellow::commands
