#include "KerberosCredentials.h"

#include "ado/DbError.h"
#include "ado/ErrorNumbers.h"
#include "text/GssapiStatus.h"

#include <condition_variable>
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_krb5.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <optional>
#include <thread>

namespace brellow::odbc {
namespace {

// Asks for a first context token towards spn, which makes the library fetch the service
// ticket and keep it in the credentials cache. Answers why it failed, or nothing.
std::optional<std::string> requestServiceTicket(const std::string& spn) {
    OM_uint32 minor = 0;
    gss_buffer_desc nameText{spn.size(), const_cast<char*>(spn.data())};
    gss_name_t target = GSS_C_NO_NAME;
    OM_uint32 major = gss_import_name(&minor, &nameText, GSS_KRB5_NT_PRINCIPAL_NAME, &target);
    if (GSS_ERROR(major)) {
        return text::GssapiStatus::describe(major, minor);
    }
    gss_ctx_id_t context = GSS_C_NO_CONTEXT;
    gss_buffer_desc token{0, nullptr};
    major = gss_init_sec_context(&minor, GSS_C_NO_CREDENTIAL, &context, target, gss_mech_krb5,
                                 GSS_C_MUTUAL_FLAG, 0, GSS_C_NO_CHANNEL_BINDINGS, GSS_C_NO_BUFFER,
                                 nullptr, &token, nullptr, nullptr);
    std::optional<std::string> failure;
    if (GSS_ERROR(major)) {
        failure = text::GssapiStatus::describe(major, minor);
    }
    OM_uint32 ignored = 0;
    gss_release_buffer(&ignored, &token);
    if (context != GSS_C_NO_CONTEXT) {
        gss_delete_sec_context(&ignored, &context, GSS_C_NO_BUFFER);
    }
    gss_release_name(&ignored, &target);
    return failure;
}

// What the request thread hands back; shared, since the thread may outlive the wait.
struct Outcome {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::optional<std::string> failure;
};

} // namespace

std::string KerberosCredentials::defaultPrincipal() {
    OM_uint32 minor = 0;
    gss_cred_id_t credential = GSS_C_NO_CREDENTIAL;
    if (GSS_ERROR(gss_acquire_cred(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE, GSS_C_NO_OID_SET,
                                   GSS_C_INITIATE, &credential, nullptr, nullptr))) {
        return {};
    }
    std::string principal;
    gss_name_t name = GSS_C_NO_NAME;
    if (!GSS_ERROR(gss_inquire_cred(&minor, credential, &name, nullptr, nullptr, nullptr))) {
        gss_buffer_desc text{0, nullptr};
        if (!GSS_ERROR(gss_display_name(&minor, name, &text, nullptr))) {
            principal.assign(static_cast<const char*>(text.value), text.length);
            gss_release_buffer(&minor, &text);
        }
        gss_release_name(&minor, &name);
    }
    gss_release_cred(&minor, &credential);
    return principal;
}

std::string KerberosCredentials::servicePrincipalName(const std::string& host, std::uint16_t port) {
    std::string name = host;
    if (name.find('.') == std::string::npos) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_V4MAPPED | AI_ADDRCONFIG | AI_CANONNAME;
        addrinfo* found = nullptr;
        if (getaddrinfo(host.c_str(), nullptr, &hints, &found) == 0 && found) {
            if (found->ai_canonname &&
                std::string(found->ai_canonname).find('.') != std::string::npos) {
                name = found->ai_canonname;
            }
            freeaddrinfo(found);
        }
    }
    return "MSSQLSvc/" + name + ":" + std::to_string(port);
}

void KerberosCredentials::obtainServiceTicket(const std::string& spn,
                                              std::chrono::milliseconds timeout) {
    auto outcome = std::make_shared<Outcome>();
    std::thread([outcome, spn] {
        std::optional<std::string> failure = requestServiceTicket(spn);
        const std::lock_guard<std::mutex> lock(outcome->mutex);
        outcome->failure = std::move(failure);
        outcome->finished = true;
        outcome->done.notify_all();
    }).detach();

    std::unique_lock<std::mutex> lock(outcome->mutex);
    const auto finished = [&outcome] {
        return outcome->finished;
    };
    if (timeout.count() > 0) {
        if (!outcome->done.wait_for(lock, timeout, finished)) {
            throw ado::DbError(ado::errors::kFail,
                               "The Kerberos KDC did not answer within the login "
                               "timeout while asking for a ticket for " +
                                   spn + ".");
        }
    } else {
        outcome->done.wait(lock, finished);
    }
    if (outcome->failure) {
        throw ado::DbError(ado::errors::kFail,
                           "No Kerberos ticket for " + spn + ": " + *outcome->failure);
    }
}

} // namespace brellow::odbc
