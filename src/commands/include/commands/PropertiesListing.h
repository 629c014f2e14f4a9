#pragma once

#include "ado/Connection.h"

#include <QStringList>

namespace brellow::commands {

// The work step of View Connection Properties: every property the open connection reports, in
// the collection's own order, one "name<TAB>value" row each.
class PropertiesListing {
public:
    // A property that cannot be read ends the listing by throwing.
    static QStringList rows(ado::Connection& connection);
};

} // namespace brellow::commands
