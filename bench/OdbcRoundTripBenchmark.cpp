// Connect-query-close cycles against the TDS test server on loopback, once through the
// database component and once through bare ODBC calls doing the same work, with the client
// messages each cycle puts on the wire: first with a plain login, then with the login inside
// TLS 1.2 (a server with a self-signed certificate). The cycles run in rounds that alternate
// between the two sides, and each round's ratio is summarised by its median and interquartile
// range, so that noise can be told from a regression. Prints figures; asserts nothing.
//
//   brellow-bench-odbc [--rounds R] [CYCLES]   (--help explains)
#include "CountArgument.h"
#include "Spread.h"
#include "TestServerProcess.h"
#include "ado/ComponentFactory.h"
#include "ado/Connection.h"
#include "ado/DbError.h"
#include "odbc/OdbcComponentFactory.h"
#include "odbc/OdbcSystem.h"
#include "text/Utf16Text.h"
#include "trust/TrustQuestions.h"

#include <QCoreApplication>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

using namespace brellow;
using bench::Spread;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kName = "brellow-bench-odbc";
constexpr int kDefaultCycles = 500;
constexpr int kDefaultRounds = 10;
constexpr int kMaximumCycles = 1000000;
constexpr int kMaximumRounds = 1000;

void printUsage(std::FILE* to) {
    std::fprintf(
        to,
        "usage: brellow-bench-odbc [--rounds R] [CYCLES]\n"
        "\n"
        "Connect-query-close cycles against the TDS test server on loopback, through the\n"
        "database component and through bare ODBC calls doing the same work: first with a\n"
        "plain login, then with the login inside TLS 1.2. Each side makes CYCLES cycles per\n"
        "login (default %d) in R rounds (default %d, at least 4) of CYCLES/R cycles, the\n"
        "sides taking turns; CYCLES must be a multiple of R. Prints the times, the client\n"
        "messages per cycle, and the time ratio component/bare: over all cycles, and per\n"
        "round (each side's median cycle in that round) as median and interquartile range.\n"
        "Asserts nothing.\n"
        "\n"
        "  --rounds R  the number of rounds\n"
        "  --help      this text\n",
        kDefaultCycles, kDefaultRounds);
}

struct Options {
    int cycles = kDefaultCycles;
    int rounds = kDefaultRounds;
};

// The options, or the exit status when there is nothing to run (usage asked for or refused).
std::variant<Options, int> parseArguments(int argc, char** argv) {
    Options options;
    bool cyclesGiven = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            printUsage(stdout);
            return 0;
        }
        if (std::strcmp(argument, "--rounds") == 0 && i + 1 < argc) {
            const auto rounds =
                bench::CountArgument::read(kName, "--rounds", argv[++i], 4, kMaximumRounds);
            if (!rounds) {
                return 2;
            }
            options.rounds = *rounds;
        } else if (argument[0] != '-' && !cyclesGiven) {
            const auto cycles =
                bench::CountArgument::read(kName, "CYCLES", argument, 1, kMaximumCycles);
            if (!cycles) {
                return 2;
            }
            options.cycles = *cycles;
            cyclesGiven = true;
        } else {
            std::fprintf(stderr, "%s: cannot use '%s'\n\n", kName, argument);
            printUsage(stderr);
            return 2;
        }
    }
    if (options.cycles % options.rounds != 0) {
        const int below = options.cycles / options.rounds * options.rounds;
        std::fprintf(stderr,
                     "%s: %d cycles do not split into %d rounds of equal length; give a "
                     "multiple of %d (such as %d or %d) or other --rounds\n",
                     kName, options.cycles, options.rounds, options.rounds,
                     below > 0 ? below : options.rounds, below + options.rounds);
        return 2;
    }
    return options;
}

const std::string kQuery =
    "SELECT SERVERPROPERTY('productversion') as ProductVersion, SERVERPROPERTY('productlevel') "
    "as ProductLevel, SERVERPROPERTY ('edition') as Edition";

void check(SQLRETURN rc, const char* what) {
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
        throw std::runtime_error(std::string("bare ODBC call failed: ") + what);
    }
}

// What a program would write without the component: the same driver, string and reads.
void bareCycle(const std::u16string& odbcText) {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    check(SQLAllocHandle(SQL_HANDLE_ENV, nullptr, &env), "env");
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    check(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), "dbc");
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(15), 0);
    std::u16string text = odbcText;
    check(SQLDriverConnectW(dbc, nullptr, reinterpret_cast<SQLWCHAR*>(text.data()),
                            static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr,
                            SQL_DRIVER_NOPROMPT),
          "connect");
    check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), "stmt");
    SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(30), 0);
    std::u16string query = text::Utf16Text::fromUtf8(kQuery);
    check(SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR*>(query.data()),
                         static_cast<SQLINTEGER>(query.size())),
          "execute");
    check(SQLFetch(stmt), "fetch");
    for (SQLUSMALLINT column = 1; column <= 3; ++column) {
        std::array<SQLWCHAR, 256> buffer{};
        SQLLEN indicator = 0;
        check(SQLGetData(stmt, column, SQL_C_WCHAR, buffer.data(), sizeof buffer, &indicator),
              "get data");
    }
    while (SQLFetch(stmt) == SQL_SUCCESS) {
    }
    while (SQLMoreResults(stmt) == SQL_SUCCESS) {
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}

// The user of a benchmark trusts every server it starts.
class AgreeingQuestions final : public trust::TrustQuestions {
public:
    Choice askUnknown(const std::string&, const trust::CertificateProbe::Result&,
                      const std::string&) override {
        return {true, false};
    }
    Choice warnChanged(const std::string&, const trust::Pin&,
                       const trust::CertificateProbe::Result&, const std::string&) override {
        return {true, false};
    }
    bool warnDowngrade(const std::string&, const trust::Pin&) override { return true; }
    bool askPlaintext(const std::string&) override { return true; }
};

void componentCycle(ado::ComponentFactory& factory, const std::string& connectionString) {
    auto connection = ado::createObjectAs<ado::Connection>(factory, ado::kConnectionProgId);
    auto recordset = ado::createObjectAs<ado::Recordset>(factory, ado::kRecordsetProgId);
    connection->setConnectionString(connectionString);
    connection->open();
    recordset = connection->execute(kQuery);
    if (recordset->recordCount() != 0) {
        for (const char* name : {"Edition", "ProductVersion", "ProductLevel"}) {
            (void)recordset->fields().item(name).value().toText();
        }
    }
    recordset->close();
    connection->close();
}

double median(std::vector<double> values) {
    return Spread::of(std::move(values)).median;
}

struct Figures {
    std::vector<double> cycleMs;
    // The median cycle of each round, in the order of the rounds.
    std::vector<double> roundMedianMs;
    long long messages = 0;
    int cycles = 0;

    void add(const Figures& round) {
        cycleMs.insert(cycleMs.end(), round.cycleMs.begin(), round.cycleMs.end());
        roundMedianMs.push_back(median(round.cycleMs));
        messages += round.messages;
        cycles += round.cycles;
    }
};

// Runs cycles against a server of its own, so that its wire log counts only these messages.
// With firstContact, one cycle goes first, unmeasured and uncounted: what the trust gate pays
// once a run for a server is not what every later login pays.
Figures measure(int cycles, const std::function<void(quint16 port)>& cycle,
                const QStringList& serverArgs = {}, bool firstContact = false) {
    testsupport::TestServerProcess server(
        {"bench", "Bench-pw-1", "Developer Edition", "8.00.2039", "SP4", {}, 600, serverArgs});
    if (!server.start()) {
        throw std::runtime_error("test server: " + server.errorString().toStdString());
    }
    Figures figures;
    qsizetype before = 0;
    if (firstContact) {
        cycle(server.port());
        before = server.wireLogLines().size();
    }
    for (int i = 0; i < cycles; ++i) {
        const auto start = Clock::now();
        cycle(server.port());
        figures.cycleMs.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    figures.cycles = cycles;
    // The server writes a line as each message arrives; every cycle ended with a reply.
    figures.messages = server.wireLogLines().size() - before;
    return figures;
}

double total(const std::vector<double>& values) {
    double sum = 0;
    for (const double v : values) {
        sum += v;
    }
    return sum;
}

void print(const char* label, const Figures& figures) {
    std::printf("%-10s cycles %5d  total %9.1f ms  mean %7.3f ms  median %7.3f ms  "
                "client messages/cycle %.2f\n",
                label, figures.cycles, total(figures.cycleMs),
                total(figures.cycleMs) / figures.cycles, median(figures.cycleMs),
                static_cast<double>(figures.messages) / figures.cycles);
}

// Rounds alternate between the two sides to even out drift in the machine's load; which side
// goes first alternates too, so that neither always follows the other.
struct Comparison {
    Figures component;
    Figures bare;
};
Comparison compare(const Options& options, const std::function<void(quint16)>& componentCycle,
                   const std::function<void(quint16)>& bareCycle,
                   const QStringList& serverArgs = {}) {
    const int rounds = options.rounds;
    const int perRound = options.cycles / options.rounds;
    Comparison result;
    for (int round = 0; round < rounds; ++round) {
        const auto runComponent = [&] {
            result.component.add(measure(perRound, componentCycle, serverArgs));
        };
        const auto runBare = [&] {
            result.bare.add(measure(perRound, bareCycle, serverArgs));
        };
        if (round % 2 == 0) {
            runComponent();
            runBare();
        } else {
            runBare();
            runComponent();
        }
    }
    return result;
}

// The ratio of the two sides over all cycles, and round by round with its spread.
void printRatios(const Comparison& comparison, const char* target) {
    const Figures& component = comparison.component;
    const Figures& bare = comparison.bare;
    std::printf("time ratio component/bare, all cycles: mean %.3f  median %.3f\n",
                total(component.cycleMs) / total(bare.cycleMs),
                median(component.cycleMs) / median(bare.cycleMs));
    std::vector<double> ratios;
    for (std::size_t round = 0; round < component.roundMedianMs.size(); ++round) {
        ratios.push_back(component.roundMedianMs[round] / bare.roundMedianMs[round]);
    }
    const Spread spread = Spread::of(ratios);
    std::printf("time ratio component/bare, per round: median %.3f  IQR %.3f .. %.3f%s\n",
                spread.median, spread.firstQuartile, spread.thirdQuartile, target);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto parsed = parseArguments(argc, argv);
    if (const int* status = std::get_if<int>(&parsed)) {
        return *status;
    }
    const Options options = std::get<Options>(parsed);
    // Found by its library, as the component finds it; a registered name means none was.
    const std::string driver =
        odbc::OdbcSystem::findDriver(odbc::OdbcSystem::defaultDriverCandidates()).name;
    if (driver.find('/') == std::string::npos) {
        std::fprintf(stderr, "the FreeTDS ODBC driver (libtdsodbc.so) is not installed\n");
        return 1;
    }
    odbc::OdbcComponentFactory factory;
    const auto bareText = [&](quint16 port) {
        return text::Utf16Text::fromUtf8(
            "DRIVER={" + driver + "};SERVER={127.0.0.1};PORT=" + std::to_string(port) +
            ";TDS_Version=7.1;Encryption=request;ClientCharset=UTF-8;UID={bench};"
            "PWD={Bench-pw-1};");
    };
    const auto componentText = [](quint16 port) {
        return "Provider=SQLOLEDB.1;Data Source=127.0.0.1," + std::to_string(port) +
               ";User Id = bench;Password = Bench-pw-1;";
    };

    try {
        const auto viaComponent = [&](quint16 port) {
            componentCycle(factory, componentText(port));
        };
        const auto viaBareOdbc = [&](quint16 port) {
            bareCycle(bareText(port));
        };
        // Warm both paths (driver loading, page cache) before measuring.
        measure(5, viaComponent);
        measure(5, viaBareOdbc);
        const Comparison plain = compare(options, viaComponent, viaBareOdbc);
        const Figures& component = plain.component;
        const Figures& bare = plain.bare;
        std::printf("connect-query-close cycles against the TDS test server on loopback, "
                    "%d rounds of %d per side\n",
                    options.rounds, options.cycles / options.rounds);
        print("component", component);
        print("bare ODBC", bare);
        printRatios(plain, "  (target <= 1.10)");
        std::printf("client messages per component cycle: %.2f (target exactly 3)\n",
                    static_cast<double>(component.messages) / component.cycles);

        // The login inside TLS 1.2, as every server since 2005 asks even when the client only
        // requests encryption. The fewest client messages this can take: PRELOGIN, the two
        // client flights of a TLS 1.2 handshake (ClientHello; ClientKeyExchange,
        // ChangeCipherSpec and Finished), LOGIN7 and the query.
        constexpr int minimumEncrypted = 5;
        // A server with a certificate that leaves the rest to the client (every version since
        // 2005 as installed), offering TLS 1.2.
        const QStringList encryptingServer{"--encryption", "off", "--tls-versions", "1.2"};
        measure(5, viaComponent, encryptingServer);
        const Comparison encrypted = compare(options, viaComponent, viaBareOdbc, encryptingServer);
        std::printf("\nthe same cycles with the login inside TLS 1.2\n");
        print("component", encrypted.component);
        print("bare ODBC", encrypted.bare);
        printRatios(encrypted, "");
        std::printf("encrypted/plain login, component: mean %.3f  median %.3f\n",
                    total(encrypted.component.cycleMs) / encrypted.component.cycles /
                        (total(component.cycleMs) / component.cycles),
                    median(encrypted.component.cycleMs) / median(component.cycleMs));
        std::printf("client messages per encrypted component cycle: %.2f (protocol minimum %d: "
                    "PRELOGIN, 2 TLS 1.2 handshake flights, LOGIN7, the query)\n",
                    static_cast<double>(encrypted.component.messages) / encrypted.component.cycles,
                    minimumEncrypted);

        // Through the trust gate, as the program logs in on Linux, after first contact: no
        // connection of the gate's own, the driver's check at the login is the check.
        AgreeingQuestions agree;
        odbc::OdbcComponentFactory gated;
        gated.passLoginsThrough(odbc::OdbcSystem::makeTrustGate(agree, std::string()));
        const auto viaGate = [&](quint16 port) {
            componentCycle(gated, componentText(port));
        };
        const Figures gatedPlain = measure(options.cycles / options.rounds, viaGate, {}, true);
        const Figures gatedPinned =
            measure(options.cycles / options.rounds, viaGate, encryptingServer, true);
        std::printf("\nthrough the trust gate after first contact, %d cycles each: clear (agreed), "
                    "TLS 1.2 (pinned)\n",
                    gatedPlain.cycles);
        print("clear", gatedPlain);
        print("pinned", gatedPinned);
        std::printf("client messages per cycle through the gate: clear %.2f (target 3), pinned "
                    "TLS 1.2 %.2f (target 5)\n",
                    static_cast<double>(gatedPlain.messages) / gatedPlain.cycles,
                    static_cast<double>(gatedPinned.messages) / gatedPinned.cycles);
    } catch (const ado::DbError& error) {
        std::fprintf(stderr, "component failed: %s\n", error.what());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
