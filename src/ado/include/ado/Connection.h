#pragma once

#include "ado/DbObject.h"
#include "ado/Properties.h"
#include "ado/Recordset.h"

#include <cstdint>
#include <memory>
#include <string>

namespace brellow::ado {

// A connection in the manner of ADO's: composed through its connection string, then opened.
class Connection : public DbObject {
public:
    static constexpr std::int32_t kStateClosed = 0;
    static constexpr std::int32_t kStateOpen = 1;

    // Before Open, exactly the text last written.
    virtual std::string connectionString() const = 0;
    virtual void setConnectionString(const std::string& text) = 0;

    // Opens with the stored connection string. An unreachable server or a refused login
    // raises errors::kFail.
    virtual void open() = 0;
    virtual std::int32_t state() const = 0;
    virtual std::unique_ptr<Recordset> execute(const std::string& commandText) = 0;
    virtual void close() = 0;
    virtual ado::Properties& properties() = 0;
};

} // namespace brellow::ado
