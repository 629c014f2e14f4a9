#pragma once

#include <cstdint>

// HRESULT-style numbers the component raises. Callers tell failures apart by these alone,
// so they follow ADO's own numbers where ADO has one.
namespace brellow::ado::errors {

// The server is unreachable or refused, the handshake timed out, or the login was refused.
inline constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005u);
// The server rejected a command; the description is the server's own message.
inline constexpr std::int32_t kCommandRejected = static_cast<std::int32_t>(0x80040E14u);
// A command ran longer than its timeout.
inline constexpr std::int32_t kCommandTimeout = static_cast<std::int32_t>(0x80040E31u);
// A field was read while the recordset had no current row (BOF or EOF).
inline constexpr std::int32_t kNoCurrentRow = static_cast<std::int32_t>(0x800A0BCDu);
// No item of that name or ordinal in a collection.
inline constexpr std::int32_t kItemNotFound = static_cast<std::int32_t>(0x800A0CC1u);
// The connection string names a provider other than SQLOLEDB.
inline constexpr std::int32_t kProviderNotFound = static_cast<std::int32_t>(0x800A0E7Au);
// A null was converted to text where text was required.
inline constexpr std::int32_t kInvalidUseOfNull = static_cast<std::int32_t>(0x800A005Eu);
// No object is registered under the programmatic identifier.
inline constexpr std::int32_t kCannotCreateObject = static_cast<std::int32_t>(0x800A01ADu);
// The operation is not allowed while the object is open (or closed).
inline constexpr std::int32_t kNotAllowedWhenOpen = static_cast<std::int32_t>(0x800A0E79u);
inline constexpr std::int32_t kNotAllowedWhenClosed = static_cast<std::int32_t>(0x800A0E78u);
// The server could not be authenticated: its certificate is refused, or the driver cannot
// check it as the server requires (OLE DB's DB_SEC_E_AUTH_FAILED). The description says why.
inline constexpr std::int32_t kAuthenticationFailed = static_cast<std::int32_t>(0x80040E4Du);
// The user cancelled the operation (ADO's adErrOperationCancelled): nothing more to say.
inline constexpr std::int32_t kOperationCancelled = static_cast<std::int32_t>(0x800A0E80u);
// The connection string breaks the keyword=value syntax or holds a value that can't be used.
inline constexpr std::int32_t kBadConnectionString = static_cast<std::int32_t>(0x80040E73u);

} // namespace brellow::ado::errors
