#pragma once

#include "ado/Recordset.h"
#include "ado/RowFields.h"

namespace brellow::odbc {

// A forward-only, read-only recordset. Execute reads its first row when the command runs, so
// the recordset holds no ODBC handle and may outlive its connection.
class OdbcRecordset final : public ado::Recordset {
public:
    // A closed recordset, as "ADODB.Recordset" creates.
    OdbcRecordset() = default;
    // An open recordset over these columns; hasRow tells whether the result had a first row.
    OdbcRecordset(std::vector<ado::RowField> fields, bool hasRow);

    std::int32_t recordCount() const override;
    ado::Fields& fields() override;
    std::int32_t state() const override { return open_ ? 1 : 0; }
    void close() override;

private:
    void requireOpen() const;

    ado::RowFields fields_;
    bool hasRow_ = false;
    bool open_ = false;
};

} // namespace brellow::odbc
