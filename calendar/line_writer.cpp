#include "calendar/line_writer.h"

namespace {

constexpr std::size_t kMaxLine = 75;

}  // namespace

void AppendFoldedLine(std::string& out, std::string_view line) {
    const std::size_t n = line.size();
    if (n + 2 < kMaxLine) {
        out += line;
        out += "\r\n";
        return;
    }
    // The rule works on the line with its CR LF, bytes n and n + 1.
    const auto at = [&](std::size_t i) { return i < n ? line[i] : (i == n ? '\r' : '\n'); };
    std::size_t start = 0;
    while (start < n + 2) {
        std::size_t next = 0;
        if (n + 2 - start < kMaxLine) {
            next = n + 2;
        } else {
            for (std::size_t p = start + kMaxLine - 2; p > start; --p) {
                const char c = at(p);
                if (c == ';' || c == ':' || c == ' ') {
                    next = p + 1;
                    break;
                }
            }
            for (std::size_t p = start + kMaxLine - 1; next == 0 && p > start; --p) {
                const auto c = static_cast<unsigned char>(at(p));
                if ((c & 0x80) == 0 || (c & 0xC0) == 0xC0) {
                    next = p;
                }
            }
            if (next == 0) {
                next = start + kMaxLine - 1;
            }
            if (next == n + 1) {
                next = n + 2;
            }
        }
        if (start > 0) {
            out += "\r\n ";
        }
        if (start < std::min(next, n)) {
            out.append(line.substr(start, std::min(next, n) - start));
        }
        if (start <= n && n < next) {
            out += '\r';
        }
        if (start <= n + 1 && n + 1 < next) {
            out += '\n';
        }
        start = next;
    }
}

void AppendEscapedText(std::string& out, std::string_view text) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' || c == ';' || c == ',' || c == '\n') {
            out.append(text.substr(start, i - start));
            out += '\\';
            out += c == '\n' ? 'n' : c;
            start = i + 1;
        }
    }
    out.append(text.substr(start));
}
