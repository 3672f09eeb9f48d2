#include "app/instance_message.h"

#include <algorithm>
#include <cstdint>

namespace {

void AppendLength(std::string& out, std::size_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
}

std::uint32_t ReadLength(std::string_view bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    }
    return value;
}

[[noreturn]] void Malformed(const char* what) {
    throw EInstanceMessageError(std::string("Malformed instance message: ") + what);
}

}  // namespace

std::string EncodeCommandLineBlock(const std::vector<std::string>& strings) {
    if (strings.empty() || strings.front().empty() || strings.front().front() == '\0') {
        throw EInstanceMessageError(std::string("Instance message without program path"));
    }
    std::string block;
    // The first string always goes in, cut so that its zero and the final one still fit.
    const std::string& path = strings.front();
    const std::size_t pathSize = std::min(path.find('\0'), kCommandLineBlockSize - 2);
    block.append(path, 0, pathSize);
    block.push_back('\0');
    for (std::size_t i = 1; i < strings.size(); ++i) {
        const std::string& s = strings[i];
        // A zero byte inside a string would split it; argv strings never hold one.
        if (s.empty() || s.find('\0') != std::string::npos ||
            block.size() + s.size() + 2 > kCommandLineBlockSize) {
            break;
        }
        block += s;
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

std::vector<std::string> DecodeCommandLineBlock(std::string_view block) {
    if (block.size() > kCommandLineBlockSize) {
        Malformed("command line too long");
    }
    std::vector<std::string> strings;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t end = block.find('\0', pos);
        if (end == std::string_view::npos) {
            Malformed("command line not terminated");
        }
        if (end == pos) {
            break;
        }
        strings.emplace_back(block.substr(pos, end - pos));
        pos = end + 1;
    }
    if (strings.empty()) {
        Malformed("no program path");
    }
    if (pos + 1 != block.size()) {
        Malformed("bytes after the command line");
    }
    return strings;
}

std::string EncodeInstanceMessage(const std::vector<std::string>& commandLine,
                                  std::string_view activationToken) {
    const std::string block = EncodeCommandLineBlock(commandLine);
    if (activationToken.size() > kActivationTokenMax ||
        activationToken.find('\0') != std::string_view::npos) {
        activationToken = {};
    }
    std::string out(kInstanceMessageName);
    AppendLength(out, block.size());
    AppendLength(out, activationToken.size());
    out += block;
    out += activationToken;
    return out;
}

std::size_t InstanceMessageSize(std::string_view head) {
    const std::size_t nameBytes = std::min(head.size(), kInstanceMessageName.size());
    if (head.substr(0, nameBytes) != kInstanceMessageName.substr(0, nameBytes)) {
        Malformed("not an instance message");
    }
    if (head.size() < kInstanceMessageHeaderSize) {
        return 0;
    }
    const std::uint32_t blockSize = ReadLength(head, kInstanceMessageName.size());
    const std::uint32_t tokenSize = ReadLength(head, kInstanceMessageName.size() + 4);
    if (blockSize > kCommandLineBlockSize) {
        Malformed("command line too long");
    }
    if (tokenSize > kActivationTokenMax) {
        Malformed("activation token too long");
    }
    return kInstanceMessageHeaderSize + blockSize + tokenSize;
}

TInstanceMessage DecodeInstanceMessage(std::string_view bytes) {
    const std::size_t size = InstanceMessageSize(bytes);
    if (size == 0 || bytes.size() < size) {
        Malformed("truncated");
    }
    if (bytes.size() > size) {
        Malformed("bytes after the message");
    }
    const std::uint32_t blockSize = ReadLength(bytes, kInstanceMessageName.size());
    TInstanceMessage message;
    message.ParamStr = DecodeCommandLineBlock(bytes.substr(kInstanceMessageHeaderSize, blockSize));
    message.ActivationToken = std::string(bytes.substr(kInstanceMessageHeaderSize + blockSize));
    if (message.ActivationToken.find('\0') != std::string::npos) {
        Malformed("zero byte in the activation token");
    }
    return message;
}
