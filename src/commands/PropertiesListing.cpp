#include "commands/PropertiesListing.h"

#include <cstdint>

namespace brellow::commands {

QStringList PropertiesListing::rows(ado::Connection& connection) {
    QStringList rows;
    // Computed once, and wide, so that no count the component reports can overflow it.
    const std::int64_t last = std::int64_t{connection.properties().count()} - 1;
    for (std::int64_t i = 0; i <= last; ++i) {
        // The property is looked up afresh by its position for each of the two reads.
        const auto position = static_cast<std::int32_t>(i);
        const std::string name = connection.properties().item(position).name();
        const std::string value = connection.properties().item(position).value().toTextOrEmpty();
        rows.append(QString::fromStdString(name) + QLatin1Char('\t') +
                    QString::fromStdString(value));
    }
    return rows;
}

} // namespace brellow::commands
