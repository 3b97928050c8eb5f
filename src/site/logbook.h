#pragma once

// The request logbook: while "enablelog" is on, one plain-text record per request and per
// notable event while a request is read, appended to "vireolog.txt" in the user's documents
// folder. Records end with a line of 60 "=" so the file reads well in any text editor.

#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/ipv4.h"
#include "base/unique_fd.h"

namespace vireo {

// The messages of the events recorded while a request is read.
inline constexpr std::string_view kLogBlockedUnknown = "*** Auto Block Unknown Request.";
inline constexpr std::string_view kLogBlockedMalicious = "*** Auto Block Malicious Request.";
inline constexpr std::string_view kLogBlockedTooLong =
    "*** Auto Block Request Header longer than 2048 bytes.";
inline constexpr std::string_view kLogDisconnected = "*** Disconnected by client.";
inline constexpr std::string_view kLogHandshakeFailed = "*** TLS handshake failed.";
inline constexpr std::string_view kLogTimedOut = "*** Request header timed out.";
inline constexpr std::string_view kLogTooLarge = "*** Request header longer than 65536 bytes.";

// The line that ends every record: 60 "=" and CR LF.
inline constexpr std::string_view kLogSeparator =
    "============================================================\r\n";

// Where the logbook lives: the documents folder followed by "/vireolog.txt".
std::optional<std::filesystem::path> LogbookPath();

// One record's bytes: the time line, the address line, the request text (when there is one and
// it does not begin with a zero byte) and the message (when not empty), each with its trailing
// CR and LF replaced by one CR LF, the message after an empty line; then the separator.
std::string FormatLogRecord(const std::tm& local_time, const Ipv4Endpoint& peer, std::string_view request,
                            std::string_view message);

// Appends one record about the peer of a connection that arrived at the local address, stamped
// with the local time now. Nothing is written while "enablelog" is off, or when the peer is this
// computer and "logself" is off. True when the record was written whole. Safe from any thread:
// every record is one append, so records from many connections follow one another whole.
bool WriteLogRecord(const Ipv4Endpoint& peer, const Ipv4Endpoint& local, std::string_view message,
                    std::string_view request);

// The log file shared by every writer, opened for appending (and created) on first use; nothing
// when it cannot be opened. The handle is kept for the life of the process and opened anew only
// when the documents folder changes or the file was removed or replaced.
std::shared_ptr<const UniqueFd> OpenLogFile();

// The logbook window's commands.
// "Refresh": the whole log file, read through a handle of its own; nothing when it cannot be read.
std::optional<std::string> ReadLogbook();
// "Reset": empties the log file through the shared handle (creating the file when needed), so the
// next record starts it afresh. False when the file cannot be opened or cut.
bool ResetLogbook();
// "List Records...": for every occurrence of `text` in `log` (exact bytes), the whole record
// that holds it, in file order; a record is listed once per occurrence in it. A record is the
// stretch after the nearest "=" CR LF before the occurrence (CRs and LFs after that skipped) or
// from the start of the log, through the next separator line; an occurrence with no separator
// after it ends the listing.
std::string ListRecords(std::string_view log, std::string_view text);

}  // namespace vireo
