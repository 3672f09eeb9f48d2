#pragma once

// The message a second start of the program sends to the running copy over the local
// channel, and the command-line block inside it.
//
// Command-line block: each string of the command line, the program path first, as
// zero-terminated 8-bit text one after the other; an empty string (a lone zero byte) ends
// the list. At most 65536 bytes.
//
// Message, one per connection:
//   "VantreRunOnce" and a zero byte    14 bytes, names the message
//   block length                       4 bytes, unsigned little-endian, at most 65536
//   token length                       4 bytes, unsigned little-endian, at most 4096
//   the command-line block
//   the activation token               the starting desktop's token, may be empty
// The running copy answers with one acknowledgement byte once it has read the message.
//
// Everything here works on plain bytes and never trusts them: malformed input raises
// EInstanceMessageError and nothing else.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/errors.h"

// A message that is not in the format above.
class EInstanceMessageError : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
};

inline constexpr std::size_t kCommandLineBlockSize = 65536;
inline constexpr std::size_t kActivationTokenMax = 4096;
inline constexpr std::string_view kInstanceMessageName{"VantreRunOnce\0", 14};
inline constexpr std::size_t kInstanceMessageHeaderSize = kInstanceMessageName.size() + 8;
inline constexpr std::size_t kInstanceMessageMax =
    kInstanceMessageHeaderSize + kCommandLineBlockSize + kActivationTokenMax;
// The running copy's answer once it has read a whole message.
inline constexpr char kInstanceMessageAck = '\x06';

struct TInstanceMessage {
    // The other start's command line; index 0 is its program path.
    std::vector<std::string> ParamStr;
    std::string ActivationToken;
};

// Builds the block from the strings. The list stops before the first empty parameter,
// which the format cannot carry (it would end the list), and before the first parameter
// that no longer fits into 65536 bytes; a program path too long for the block is cut.
// Throws EInstanceMessageError when there is no program path.
std::string EncodeCommandLineBlock(const std::vector<std::string>& strings);

// Reads a block that holds at least the program path and ends exactly with the empty
// string; nothing may follow it.
std::vector<std::string> DecodeCommandLineBlock(std::string_view block);

// Builds a whole message; a token longer than 4096 bytes or holding a zero byte is
// dropped (the token only helps to raise the window).
std::string EncodeInstanceMessage(const std::vector<std::string>& commandLine,
                                  std::string_view activationToken);

// The total size of the message that starts with these bytes, or 0 while fewer than the
// header's bytes have arrived. Throws as soon as the bytes cannot start a valid message.
std::size_t InstanceMessageSize(std::string_view head);

// Reads exactly one whole message.
TInstanceMessage DecodeInstanceMessage(std::string_view bytes);
