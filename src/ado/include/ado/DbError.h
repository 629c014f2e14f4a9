#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace brellow::ado {

// A failure of the database component: an HRESULT-style number and a description.
class DbError : public std::runtime_error {
public:
    DbError(std::int32_t number, const std::string& description);

    std::int32_t number() const noexcept { return number_; }
    std::string description() const { return what(); }

private:
    std::int32_t number_;
};

} // namespace brellow::ado
