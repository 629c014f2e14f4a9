#include "commands/VersionQuery.h"

#include <stdexcept>

namespace brellow::commands {
namespace {

QString fieldText(ado::Recordset& recordset, const char* name) {
    return QString::fromStdString(recordset.Fields().Item(name).Value().ToText());
}

} // namespace

void VersionQuery::Ask(ado::Connection& connection, std::unique_ptr<ado::Recordset>& recordset,
                       ServerAnswers& answers) {
    recordset = connection.Execute(kQueryText);
    if (!recordset) {
        throw std::logic_error("The query returned no recordset");
    }
    // -1 means the count is not reported, and the row is there all the same.
    if (recordset->RecordCount() != 0) {
        answers.edition = fieldText(*recordset, "Edition");
        answers.version = fieldText(*recordset, "ProductVersion");
        answers.level = fieldText(*recordset, "ProductLevel");
    }
    recordset->Close();
}

} // namespace brellow::commands
