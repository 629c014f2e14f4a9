#pragma once

#include "ado/DbError.h"
#include "ado/DbObject.h"
#include "ado/ErrorNumbers.h"

#include <memory>
#include <string>
#include <string_view>

namespace brellow::ado {

inline constexpr std::string_view kConnectionProgId = "ADODB.Connection";
inline constexpr std::string_view kRecordsetProgId = "ADODB.Recordset";

// Creates the component's objects from their programmatic identifiers.
class ComponentFactory {
public:
    virtual ~ComponentFactory() = default;
    // Raises errors::kCannotCreateObject for an identifier it does not know.
    virtual std::unique_ptr<DbObject> createObject(std::string_view progId) = 0;
};

// Creates an object and checks that it is of the expected kind.
template <class T>
std::unique_ptr<T> createObjectAs(ComponentFactory& factory, std::string_view progId) {
    std::unique_ptr<DbObject> object = factory.createObject(progId);
    if (auto* typed = dynamic_cast<T*>(object.get())) {
        object.release();
        return std::unique_ptr<T>(typed);
    }
    throw DbError(errors::kCannotCreateObject,
                  "ActiveX component can't create object: " + std::string(progId));
}

} // namespace brellow::ado
