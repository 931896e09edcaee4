#include "cli/json_output.h"

#include <array>

namespace cli {
namespace {

using Cells = std::array<std::string_view, core::kColumnCount>;

bool inRange(std::string_view bytes, std::size_t at, unsigned char low, unsigned char high) {
    if (at >= bytes.size()) return false;
    auto byte = static_cast<unsigned char>(bytes[at]);
    return byte >= low && byte <= high;
}

// The length of the valid UTF-8 sequence that starts at `at` with a byte of
// 0x80 or more; 0 when there is none (overlong forms, surrogates and code
// points above U+10FFFF are not valid).
std::size_t utf8SequenceAt(std::string_view bytes, std::size_t at) {
    auto lead = static_cast<unsigned char>(bytes[at]);
    auto continues = [&](std::size_t from, std::size_t count) {
        for (std::size_t k = from; k < from + count; ++k)
            if (!inRange(bytes, at + k, 0x80, 0xBF)) return false;
        return true;
    };
    if (lead >= 0xC2 && lead <= 0xDF) return continues(1, 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        return inRange(bytes, at + 1, low, high) && continues(2, 1) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        return inRange(bytes, at + 1, low, high) && continues(2, 2) ? 4 : 0;
    }
    return 0;
}

void appendEscapedByte(std::string& out, unsigned char byte) {
    static const char kHex[] = "0123456789abcdef";
    switch (byte) {
        case '"': out += "\\\""; return;
        case '\\': out += "\\\\"; return;
        case '\n': out += "\\n"; return;
        case '\t': out += "\\t"; return;
        case '\r': out += "\\r"; return;
        case '\b': out += "\\b"; return;
        case '\f': out += "\\f"; return;
    }
    out += byte < 0x80 ? "\\u00" : "\\udc";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

// A cell of decimal digits as a JSON number; anything else as a string.
void appendNumber(std::string& out, std::string_view cell) {
    std::string_view digits = cell.substr(!cell.empty() && cell[0] == '-' ? 1 : 0);
    bool plain = !digits.empty() && (digits[0] != '0' || digits.size() == 1);
    for (char c : digits) plain = plain && c >= '0' && c <= '9';
    if (plain)
        out.append(cell);
    else
        appendJsonString(out, cell);
}

void appendField(std::string& out, const char* name, std::string_view value) {
    out.append("\"").append(name).append("\":");
    appendJsonString(out, value);
}

void write(const std::string& text, std::FILE* out) { std::fwrite(text.data(), 1, text.size(), out); }

// "status" as the outcome names it, and for an error its "message".
void appendStatus(std::string& out, const core::RunOutcome& outcome) {
    out.append("\"status\":\"").append(core::statusName(outcome.status)).append("\",");
    if (outcome.status != core::RunStatus::Error) return;
    appendField(out, "message", outcome.message);
    out += ',';
}

// Streams the rows from `first` to before `end` as the items of one array:
// a File-mode run can hold millions of rows. Returns how many there were.
template <typename Item>
std::size_t writeArray(const core::AppState& state, std::FILE* out, int first, int end, Item item) {
    std::string line;
    std::size_t count = 0;
    int row = 0;
    state.list.forEachRow([&](const Cells& cells) {
        const int at = row++;
        if (at < first || at >= end) return;
        line.clear();
        item(cells, line);
        write((count++ == 0 ? "\n" : ",\n") + line, out);
    });
    write(count == 0 ? "]" : "\n]", out);
    return count;
}

}  // namespace

void appendJsonString(std::string& out, std::string_view bytes) {
    out += '"';
    std::size_t plainFrom = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\') {
            ++i;
            continue;
        }
        if (byte >= 0x80) {
            if (std::size_t length = utf8SequenceAt(bytes, i)) {
                i += length;
                continue;
            }
        }
        out.append(bytes.data() + plainFrom, i - plainFrom);
        appendEscapedByte(out, byte);
        plainFrom = ++i;
    }
    out.append(bytes.data() + plainFrom, bytes.size() - plainFrom);
    out += '"';
}

void printSearchJson(const core::AppState& state, const Arguments& options, const core::RunRequest& request,
                     const core::RunOutcome& outcome, std::FILE* out) {
    const bool withReference = !request.reference.empty();
    std::string head = "{\"command\":\"search\",\"options\":{";
    appendField(head, "folder", request.pathA);
    if (withReference) {
        head += ',';
        appendField(head, "reference", request.reference);
    }
    head.append(",\"quick\":").append(options.quick ? "true" : "false");
    head.append(",\"hash\":").append(options.noHash ? "false" : "true");
    head.append(",\"match\":").append(std::to_string(options.matchPercent));
    head += "},";
    appendStatus(head, outcome);
    std::string start;
    if (state.startRowWritten.load()) start = state.list.readCell(0, 1);
    appendField(head, "start", start);
    head.append(",\"filesFound\":").append(std::to_string(outcome.filesFound));
    if (withReference) head.append(",\"referenceFilesFound\":").append(std::to_string(outcome.referenceFiles));
    head += ",\"pairs\":[";
    write(head, out);
    // The pair rows stand between the Start row and the closing row.
    const int pairRows = state.startRowWritten.load() ? static_cast<int>(outcome.pairs) : 0;
    std::size_t pairs = writeArray(state, out, 1, 1 + pairRows, [](const Cells& cells, std::string& line) {
        line += "{\"score\":";
        appendNumber(line, cells[2]);
        line += ',';
        appendField(line, "fileA", cells[0]);
        line += ',';
        appendField(line, "fileB", cells[1]);
        line += '}';
    });
    write(",\"pairCount\":" + std::to_string(pairs) + "}\n", out);
}

void printCompareJson(const core::AppState& state, const Arguments& options, const core::RunOutcome& outcome,
                      std::FILE* out) {
    std::string head = "{\"command\":\"compare\",\"options\":{";
    appendField(head, "fileA", options.operands[0]);
    head += ',';
    appendField(head, "fileB", options.operands[1]);
    head += "},";
    appendStatus(head, outcome);
    // The last row is the closing row; a Start row stands above it only when
    // both files were opened and sized.
    const int rows = state.list.rowCount();
    const std::string sizes = rows >= 2 ? state.list.readCell(0, 2) : "";
    const std::string verdict = rows >= 1 ? state.list.readCell(rows - 1, 2) : "";
    appendField(head, "sizes", sizes);
    head += ",\"differences\":[";
    write(head, out);
    writeArray(state, out, 1, rows - 1, [](const Cells& cells, std::string& line) {
        line += "{\"offset\":";
        appendNumber(line, cells[0]);
        line += ",\"length\":";
        appendNumber(line, cells[1]);
        line += ',';
        appendField(line, "details", cells[2]);
        line += '}';
    });
    std::string tail = ",";
    appendField(tail, "verdict", verdict);
    write(tail + "}\n", out);
}

}  // namespace cli
