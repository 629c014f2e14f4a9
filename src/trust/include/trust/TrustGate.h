#pragma once

#include "trust/PinStore.h"
#include "trust/TrustQuestions.h"

#include <chrono>
#include <map>
#include <set>
#include <string>

namespace brellow::trust {

// What stands before every login of a run: it fetches the server's certificate, decides with
// TrustPolicy, puts the user's questions and keeps their answers (PinStore), and says how the
// driver is to validate. Nothing is sent to a server it does not let through.
class TrustGate {
public:
    // How the login may go on.
    struct Passage {
        enum class Kind {
            Validated, // validate against the system's roots (and the extra authority)
            Pinned,    // validate against `pem` alone, whatever name it is made out to
            Plaintext, // the server cannot encrypt: the login goes as it can
            Cancelled, // the user said no: end quietly, nothing sent
            Refused,   // nothing may be sent: `error` says why
        };
        Kind kind = Kind::Refused;
        std::string pem;
        bool strict = false; // the server speaks TDS 8.0 only, or spoke it before
        // The certificate let through is outside its dates, which no driver accepts even as
        // the one trusted certificate: the gate compared it just now, and the driver can only
        // be made to encrypt.
        bool outOfDate = false;
        std::string sha256; // of the certificate let through
        std::string error;
        // Refused because the server could not be reached or did not finish its handshake,
        // not because of what it showed.
        bool unreachable = false;
        // A pin the user asked to remember that could not be written (it holds for the run).
        std::string note;
        // When the user was asked: the login's time counts from the answer.
        bool asked = false;
        // Answered from what the run (or a pin) knows, with no connection of the gate's own:
        // the driver's check at the login is the check.
        bool fromMemory = false;
    };

    struct Login {
        std::string host;
        std::string instance;
        std::uint16_t port = 1433;
        bool sendsPassword = true;
        std::chrono::steady_clock::time_point deadline;
        // What the driver of this login cannot check for itself, said in the questions: the
        // user's trust rests on the gate's comparison alone there.
        std::string driverNote;
    };

    // questions: never null. pinsFile: the trusted-servers file (it need not exist).
    TrustGate(TrustQuestions& questions, std::string pinsFile);

    // An authority trusted beside the system's roots, by the probe and the driver: the tests'
    // throw-away one, never the machine's trust store.
    void trustAuthority(std::string file) { extraAuthority_ = std::move(file); }
    const std::string& extraAuthority() const { return extraAuthority_; }

    // How the login may go on. A server let through before in this run, or pinned, is
    // answered from memory, so that only first contact pays for a connection of the gate's
    // own; a login the driver then fails without the server having refused it goes to
    // recheck().
    Passage check(const Login& login);
    // Fetches the certificate and decides as for first contact: after a login the driver
    // failed, to tell a changed certificate or a downgrade from any other failure.
    Passage recheck(const Login& login);

private:
    // What the questions say beside the certificate: a damaged pins file, the driver's limits.
    std::string notes(const Login& login) const;
    Passage probeAndDecide(const Login& login, const std::string& server);
    Passage agreeTo(const std::string& server, const CertificateProbe::Result& shown, bool strict,
                    bool remember);

    TrustQuestions& questions_;
    PinStore pins_;
    std::set<std::string> plaintextAgreed_;
    // Servers let through this run whose certificate validated (and whether they spoke TDS
    // 8.0), or that cannot encrypt.
    std::map<std::string, bool> validated_;
    std::set<std::string> plaintext_;
    // Pinned servers whose certificate is out of its dates: the driver cannot check them, so
    // each login compares the certificate first.
    std::set<std::string> outOfDate_;
    std::string extraAuthority_;
};

} // namespace brellow::trust
