#include "commands/VersionQuery.h"

#include <stdexcept>

namespace brellow::commands {
namespace {

QString fieldText(ado::Recordset& recordset, const char* name) {
    return QString::fromStdString(recordset.fields().item(name).value().toText());
}

} // namespace

void VersionQuery::ask(ado::Connection& connection, std::unique_ptr<ado::Recordset>& recordset,
                       ServerAnswers& answers) {
    recordset = connection.execute(kQueryText);
    if (!recordset) {
        throw std::logic_error("The query returned no recordset");
    }
    // -1 means the count is not reported, and the row is there all the same.
    if (recordset->recordCount() != 0) {
        answers.edition = fieldText(*recordset, "Edition");
        answers.version = fieldText(*recordset, "ProductVersion");
        answers.level = fieldText(*recordset, "ProductLevel");
    }
    recordset->close();
}

} // namespace brellow::commands
