#include "helper/SaveHelper.h"

#include "core/HostsFile.h"
#include "core/HostsLock.h"
#include "core/HostsPath.h"
#include "core/PrivilegedSave.h"
#include "core/Sha256.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>
#include <ostream>

namespace velmora {

namespace {

// No HOSTS file comes near this; a caller cannot make the helper hold more.
constexpr uint64_t kMaxLength = uint64_t{1} << 30;

struct Request {
    std::optional<uint64_t> length;
    std::string sha256;
    std::optional<std::string> replaces;
    std::optional<std::string> hosts;
};

bool isSha256(const std::string& text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::optional<uint64_t> parseLength(const std::string& text) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const uint64_t value = std::stoull(text);
    return value <= kMaxLength ? std::optional(value) : std::nullopt;
}

// The request, or a mistake to refuse it with.
std::string parse(const std::vector<std::string>& arguments, Request& request) {
    for (size_t i = 0; i < arguments.size(); i += 2) {
        const std::string& name = arguments[i];
        if (i + 1 >= arguments.size())
            return "option " + name + " needs a value";
        const std::string& value = arguments[i + 1];
        if (name == "--length" && !request.length) {
            request.length = parseLength(value);
            if (!request.length)
                return "--length takes a number of bytes up to " + std::to_string(kMaxLength);
        } else if (name == "--sha256" && request.sha256.empty()) {
            if (!isSha256(value))
                return "--sha256 takes 64 lowercase hexadecimal digits";
            request.sha256 = value;
        } else if (name == "--replaces" && !request.replaces) {
            if (!isSha256(value))
                return "--replaces takes 64 lowercase hexadecimal digits";
            request.replaces = value;
        } else if (name == "--hosts" && !request.hosts && !value.empty()) {
            request.hosts = value;
        } else {
            return "unexpected argument '" + name + "'";
        }
    }
    if (!request.length || request.sha256.empty())
        return "--length and --sha256 are needed";
    return {};
}

// Standard input, hashed piece by piece as it comes, into memory reserved for the length announced:
// bytes past it are not kept, only noted, so that the helper holds no more than the length it was given.
struct Input {
    std::string bytes;
    std::string sha256;
    bool more = false; // standard input held more than announced
    int error = 0;
};

Input readInput(FileSystem& files, int input, uint64_t length) {
    Input in;
    in.bytes.reserve(static_cast<size_t>(length));
    Sha256 hash;
    char buffer[65536];
    for (;;) {
        const ssize_t n = files.read(input, buffer, sizeof buffer);
        if (n <= 0) {
            in.error = n < 0 ? static_cast<int>(-n) : 0;
            break;
        }
        const size_t take = std::min(static_cast<size_t>(n), static_cast<size_t>(length) - in.bytes.size());
        in.bytes.append(buffer, take);
        hash.add(std::string_view(buffer, take));
        if (take < static_cast<size_t>(n)) {
            in.more = true;
            break;
        }
    }
    in.sha256 = hash.hex();
    return in;
}

} // namespace

int runSaveHelper(const std::vector<std::string>& arguments, SaveHelperSystem& system, std::ostream& err) {
    const auto refuse = [&](int status, const std::string& message) {
        err << message << std::endl;
        return status;
    };
    Request request;
    if (std::string mistake = parse(arguments, request); !mistake.empty())
        return refuse(kHelperRefused, "Refused: " + mistake + ".");
    const bool byPkexec = system.elevated || !system.environment.variable("PKEXEC_UID").empty();
    if (byPkexec && request.hosts)
        return refuse(kHelperRefused, std::string("Refused: started ") +
                                          (system.elevated ? "as administrator" : "by pkexec") + ", it writes only " +
                                          system.systemHosts + ".");
    std::string target = system.systemHosts;
    if (!byPkexec)
        target = request.hosts ? *request.hosts : hostsFilePath(system.environment);
    if (target.empty())
        return refuse(kHelperRefused, "Refused: no HOSTS file to write.");

    const Input input = readInput(system.files, system.input, *request.length);
    const std::string& bytes = input.bytes;
    if (input.error != 0)
        return refuse(kHelperMismatch,
                      "Nothing saved: standard input could not be read: " + system.files.errorText(input.error) + ".");
    if (input.more || bytes.size() != *request.length)
        return refuse(kHelperMismatch, "Nothing saved: " + std::to_string(*request.length) +
                                           " bytes were announced, standard input held " +
                                           (input.more ? "more" : std::to_string(bytes.size())) + ".");
    if (input.sha256 != request.sha256)
        return refuse(kHelperMismatch, "Nothing saved: the bytes on standard input do not have the SHA-256 given.");

    // The same order as every save: the lock, the clean-up of a killed run, then the save itself.
    const SaveTarget where = saveTargetFor(system.files, target);
    if (!where.message.empty())
        return refuse(kHelperSaveFailed, where.message);
    HostsLock lock = HostsLock::acquire(system.files, where.path, system.lockWaitMs, [&](const std::string& holder) {
        err << "Waiting for " << holder << ", which is changing " << target << "." << std::endl;
    });
    if (lock.status() == HostsLock::Status::Busy)
        return refuse(kHelperBusy, target + ": " + lock.holder() + " is saving it; try again when it has finished.");
    if (!lock.isLocked())
        return refuse(kHelperSaveFailed, target + ": not written, because " + lock.problem());
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const Recovery recovery =
        recoverHostsFile(system.files, where.path, std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
    if (const std::string notice = recoveryNotice(system.files, recovery, target); !notice.empty())
        err << notice << std::endl;
    std::optional<FileFingerprint> expected;
    if (request.replaces) {
        // Hashed as it is read: the file is never held beside the new bytes.
        Sha256 hash;
        FileFingerprint current;
        const int error = readFileBlocks(
            system.files, where.path, [&](std::string_view block) { hash.add(block); }, kReadChunk, &current, false);
        if (error != 0 && error != ENOENT)
            return refuse(kHelperSaveFailed, "cannot read " + target + ": " + system.files.errorText(error));
        if (hash.hex() != *request.replaces)
            return refuse(kHelperChanged, target + ": another program changed it after it was read.");
        expected = current;
    }
    const SaveResult saved = saveHostsBytes(system.files, target, bytes, expected ? &*expected : nullptr);
    if (saved.status == SaveStatus::Changed)
        return refuse(kHelperChanged, saved.message + ".");
    if (saved.status != SaveStatus::Saved)
        return refuse(kHelperSaveFailed, saved.message);
    return kHelperSaved;
}

} // namespace velmora
