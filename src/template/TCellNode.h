#pragma once

#include <optional>

#include "template/TNode.h"
#include "text/UnicodeString.h"
#include "automation/TExcel.h"

// One cell of the current record, fetched, escaped and with its line breaks
// converted while the page renders.
class TCellNode : public TNode {
public:
    enum class TValueKind { Text, Value };
    enum class TEscapeMode { None, Html, Url };
    enum class TLineBreakMode { None, Br };

    explicit TCellNode(const UnicodeString& tagText) : TNode(tagText) {}

    void RenderTo(UnicodeString& out) override;
    // The next Render looks its sheet up again.
    void Reset() override { worksheet_.reset(); }
    // Whether any rendering so far found text in the cell.
    bool ShownText() const { return shownText_; }

private:
    friend TCellNode* ReadCellTag(const UnicodeString& tagText);

    Excel::TWorksheet& LocateWorksheet();

    int column_ = 0;
    int row_ = 0;
    int sheetNumber_ = -1;
    UnicodeString sheetName_;
    TValueKind valueKind_ = TValueKind::Text;
    TEscapeMode escapeMode_ = TEscapeMode::None;
    TLineBreakMode lineBreakMode_ = TLineBreakMode::None;
    bool fixed_ = false;
    bool shownText_ = false;
    std::optional<Excel::TWorksheet> worksheet_;
};

// Reads a cell tag; a wrong attribute raises and no node survives.
TCellNode* ReadCellTag(const UnicodeString& tagText);

// Percent-encodes the UTF-8 bytes of `text`, keeping A-Z a-z 0-9 - _ . ~
UnicodeString UrlEncode(const UnicodeString& text);

// CR LF, then lone CR, then lone LF become "<br />".
UnicodeString LineBreaksToBr(const UnicodeString& text);
