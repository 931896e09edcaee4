#include "core/list_rules.h"

#include <algorithm>
#include <functional>

#include "core/app_state.h"

namespace core {

int removePairRows(ResultList& list, std::atomic<std::uint32_t>& pairCount, std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Pair rows are 1 to pairCount; the last row follows them.
    const std::uint32_t pairs = pairCount.load();
    const int lastRow = list.rowCount() - 1;
    std::erase_if(rows, [&](int row) { return row < 1 || static_cast<std::uint32_t>(row) > pairs || row >= lastRow; });
    // One pass, not one shift of every row below per row taken: a million
    // selected rows go at once.
    list.deleteRows(rows);
    pairCount.store(pairs - static_cast<std::uint32_t>(rows.size()));
    return static_cast<int>(rows.size());
}

namespace {

void appendRowAsTabText(std::string& text, const std::array<std::string_view, kColumnCount>& cells) {
    for (int column = 0; column < kColumnCount; ++column) {
        if (column > 0) text += '\t';
        const std::size_t start = text.size();
        text.append(cells[column]);
        for (std::size_t at = start; at < text.size(); ++at) {
            char& c = text[at];
            if (static_cast<unsigned char>(c) <= '\r' && (c == '\t' || c == '\r' || c == '\n')) c = ' ';
        }
    }
    text += "\r\n";
}

}  // namespace

std::string rowsAsTabText(const ResultList& list, const std::vector<int>* rows, std::uint32_t searchMode,
                          const HighByteTexts& highBytes) {
    std::string text;
    const bool quotesBytes = cellHoldsFileBytes(searchMode, 2);
    auto add = [&](const std::array<std::string_view, kColumnCount>& cells) {
        if (!quotesBytes) {
            appendRowAsTabText(text, cells);
            return;
        }
        const std::string details = withHighBytesAs(cells[2], highBytes);
        appendRowAsTabText(text, {cells[0], cells[1], details});
    };
    if (rows) {
        for (int row : *rows) {
            const std::array<std::string, kColumnCount> cells = list.readRow(row);
            add({cells[0], cells[1], cells[2]});
        }
        return text;
    }
    std::size_t bytes = 0;
    list.forEachRow([&bytes](const std::array<std::string_view, kColumnCount>& cells) {
        bytes += cells[0].size() + cells[1].size() + cells[2].size() + 4;  // two TABs, CR LF
    });
    text.reserve(bytes);
    list.forEachRow(add);
    return text;
}

bool cellHoldsFileBytes(std::uint32_t searchMode, int column) {
    return searchMode == search_mode::kFile && column == 2;
}

std::string withHighBytesAs(std::string_view cell, const HighByteTexts& texts) {
    std::string shown;
    shown.reserve(cell.size());
    for (char c : cell) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 128)
            shown += c;
        else
            shown += texts[byte - 128];
    }
    return shown;
}

bool followsNewRows(int topRow, int rowsPerPage, int lastFollowed) {
    return lastFollowed < 0 || topRow + rowsPerPage > lastFollowed;
}

}  // namespace core
