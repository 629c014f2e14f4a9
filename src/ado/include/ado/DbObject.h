#pragma once

namespace brellow::ado {

// The common base of every object the component factory creates.
class DbObject {
public:
    virtual ~DbObject() = default;

protected:
    DbObject() = default;
    DbObject(const DbObject&) = delete;
    DbObject& operator=(const DbObject&) = delete;
};

} // namespace brellow::ado
