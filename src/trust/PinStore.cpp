#include "trust/PinStore.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace brellow::trust {
namespace {

constexpr const char* kBegin = "-----BEGIN CERTIFICATE-----";
constexpr const char* kEnd = "-----END CERTIFICATE-----";

// Days since 1970-01-01 of a civil date (proleptic Gregorian), as H. Hinnant derives it.
long long daysFromCivil(int year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

std::string utcText(std::time_t when) {
    const long long seconds = when;
    long long days = seconds / 86400;
    long long rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // The inverse of daysFromCivil.
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const unsigned month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const long long year = static_cast<long long>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02lld:%02lld:%02lldZ", year, month, day,
                  rest / 3600, rest / 60 % 60, rest % 60);
    return text;
}

bool parseUtc(const std::string& text, std::time_t& when) {
    int year = 0;
    unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char zone = 0;
    if (std::sscanf(text.c_str(), "%4d-%2u-%2uT%2u:%2u:%2u%c", &year, &month, &day, &hour, &minute,
                    &second, &zone) != 7 ||
        zone != 'Z' || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 60) {
        return false;
    }
    when = static_cast<std::time_t>(daysFromCivil(year, month, day) * 86400 + hour * 3600 +
                                    minute * 60 + second);
    return true;
}

bool isFingerprint(const std::string& text) {
    if (text.size() != 32 * 3 - 1) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool ok = i % 3 == 2 ? c == ':' : (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (!ok) {
            return false;
        }
    }
    return true;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

PinStore PinStore::open(std::string file) {
    PinStore store;
    store.file_ = std::move(file);
    std::ifstream in(store.file_, std::ios::binary);
    if (!in) {
        // No file is no pin: nothing has been remembered yet.
        return store;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        store.problem_ = "The trusted-servers file " + store.file_ + " cannot be read.";
        return store;
    }
    std::string problem;
    for (Pin& pin : parse(text.str(), problem)) {
        store.remembered_[pin.server] = std::move(pin);
    }
    if (!problem.empty()) {
        store.problem_ = "The trusted-servers file " + store.file_ + " is damaged (" + problem +
                         "): none of its certificates is trusted.";
    }
    return store;
}

const Pin* PinStore::find(const std::string& server) const {
    if (const auto run = thisRun_.find(server); run != thisRun_.end()) {
        return &run->second;
    }
    const auto remembered = remembered_.find(server);
    return remembered != remembered_.end() ? &remembered->second : nullptr;
}

bool PinStore::trust(Pin pin, bool remember, std::string& error) {
    thisRun_[pin.server] = pin;
    if (!remember) {
        return true;
    }
    if (!problem_.empty()) {
        // Writing would lose what the user wrote into the damaged file.
        error = problem_;
        return false;
    }
    std::map<std::string, Pin> all = remembered_;
    all[pin.server] = pin;
    std::vector<Pin> pins;
    for (const auto& [server, kept] : all) {
        pins.push_back(kept);
    }
    if (file_.empty()) {
        error = "There is no folder to remember it in.";
        return false;
    }
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(file_).parent_path(), ignored);
    const std::string partial = file_ + ".new";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << format(pins);
        if (!out.flush()) {
            error = "The trusted-servers file " + file_ + " cannot be written.";
            std::remove(partial.c_str());
            return false;
        }
    }
    std::remove(file_.c_str()); // Windows renames onto no existing file
    if (std::rename(partial.c_str(), file_.c_str()) != 0) {
        error = "The trusted-servers file " + file_ + " cannot be written.";
        return false;
    }
    remembered_ = std::move(all);
    return true;
}

std::string PinStore::format(const std::vector<Pin>& pins) {
    std::string text = "# Brellow: SQL Server certificates trusted on first use, one section per\n"
                       "# server (host:port or host\\instance). Delete a section to forget it.\n";
    for (const Pin& pin : pins) {
        text += "\n[" + pin.server + "]\n";
        text += "sha256 = " + pin.sha256 + "\n";
        text += "trusted = " + utcText(pin.trustedAt) + "\n";
        text += std::string("strict = ") + (pin.speaksStrict ? "yes" : "no") + "\n";
        text += pin.pem;
        if (!pin.pem.empty() && pin.pem.back() != '\n') {
            text += '\n';
        }
    }
    return text;
}

std::vector<Pin> PinStore::parse(const std::string& text, std::string& problem) {
    std::vector<Pin> pins;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    bool inCertificate = false;
    bool commented = false;
    const auto fail = [&](const std::string& why) {
        problem = "line " + std::to_string(number) + ": " + why;
        pins.clear();
        return pins;
    };
    const auto finished = [&]() {
        return pins.empty() || (!pins.back().sha256.empty() && !pins.back().pem.empty());
    };
    while (std::getline(in, raw)) {
        ++number;
        const std::string line = trimmed(raw);
        if (inCertificate) {
            pins.back().pem += line + "\n";
            inCertificate = line != kEnd;
            continue;
        }
        if (line.empty() || line.front() == '#') {
            commented = commented || !line.empty();
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) {
                return fail("a server's name must stand in brackets");
            }
            if (!finished()) {
                return fail("the server before it lacks its fingerprint or certificate");
            }
            pins.push_back(Pin{line.substr(1, line.size() - 2), {}, {}, 0, false});
            continue;
        }
        if (pins.empty()) {
            return fail("it comes before the first server's name");
        }
        if (line == kBegin) {
            if (!pins.back().pem.empty()) {
                return fail("a server has one certificate");
            }
            pins.back().pem = line + "\n";
            inCertificate = true;
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            return fail("not \"name = value\"");
        }
        const std::string name = trimmed(line.substr(0, equals));
        const std::string value = trimmed(line.substr(equals + 1));
        if (name == "sha256" && isFingerprint(value)) {
            pins.back().sha256 = value;
        } else if (name == "trusted" && parseUtc(value, pins.back().trustedAt)) {
        } else if (name == "strict" && (value == "yes" || value == "no")) {
            pins.back().speaksStrict = value == "yes";
        } else {
            return fail("\"" + name + "\" cannot be \"" + value + "\"");
        }
    }
    if (inCertificate) {
        return fail("the file ends inside a certificate");
    }
    if (!finished()) {
        return fail("the last server lacks its fingerprint or certificate");
    }
    if (pins.empty() && !commented) {
        // Every server deleted leaves the comments; nothing at all is a file cut short.
        number = 1;
        return fail("it is empty");
    }
    return pins;
}

} // namespace brellow::trust
