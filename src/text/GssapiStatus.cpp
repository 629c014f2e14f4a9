#include "text/GssapiStatus.h"

#include <gssapi/gssapi.h>
#include <gssapi/gssapi_krb5.h>
#include <type_traits>

namespace brellow::text {
namespace {

static_assert(std::is_same_v<OM_uint32, std::uint32_t>, "GSSAPI's status is 32 bits");

// Every message the library has for one status code, joined by "; ".
std::string messages(OM_uint32 code, int type) {
    std::string text;
    OM_uint32 context = 0;
    // Bounded: a library that kept answering would not hold the caller for ever.
    for (int part = 0; part < 16; ++part) {
        OM_uint32 minor = 0;
        gss_buffer_desc message{0, nullptr};
        if (GSS_ERROR(gss_display_status(&minor, code, type, gss_mech_krb5, &context, &message))) {
            break;
        }
        if (!text.empty()) {
            text += "; ";
        }
        text.append(static_cast<const char*>(message.value), message.length);
        gss_release_buffer(&minor, &message);
        if (context == 0) {
            break;
        }
    }
    return text;
}

} // namespace

std::string GssapiStatus::describe(std::uint32_t major, std::uint32_t minor) {
    std::string text = messages(major, GSS_C_GSS_CODE);
    if (minor != 0) {
        text += ": " + messages(minor, GSS_C_MECH_CODE);
    }
    return text;
}

} // namespace brellow::text
