#include "ado/PropertyCollection.h"

#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"

namespace brellow::ado {

void PropertyCollection::add(std::string name, Variant value) {
    items_.emplace_back(std::move(name), std::move(value));
}

std::int32_t PropertyCollection::count() const {
    return static_cast<std::int32_t>(items_.size());
}

Property& PropertyCollection::item(std::int32_t position) {
    if (position < 0 || static_cast<std::size_t>(position) >= items_.size()) {
        throw DbError(errors::kItemNotFound, "Item cannot be found in the collection "
                                             "corresponding to the requested name or ordinal.");
    }
    return items_[static_cast<std::size_t>(position)];
}

} // namespace brellow::ado
