#pragma once

#include <memory>
#include <vector>

#include "template/TNode.h"
#include "text/UnicodeString.h"
#include "automation/TExcel.h"
#include "workbook/TGrid.h"

// The data source of a template and its record cursor. A record is `line`
// consecutive rows; record k lies k * line rows below the rows the tag names.
class TExcelNode : public TNode {
public:
    enum : int { LayoutUnset = -1, LayoutCard = 0, LayoutList = 1 };

    // Destroys the node held by CurrentExcelNode first: only one lives.
    explicit TExcelNode(const UnicodeString& tagText);

    virtual UnicodeString GetPageName();

    bool HasRecord();
    void NextRecord();
    // Steps NextRecord has taken, for following a run's progress.
    long long RecordsPassed() const { return recordsPassed_; }
    // The records a run will go through from the cursor on: up to the quit
    // cell of this sheet, or of every sheet left when `allSheets`. The cursor
    // stays where it is; 0 when a sheet cannot be read.
    long long CountRecords(bool allSheets);
    int SheetCount() const;
    bool NextSheet();
    int CurrentSheetNumber() const;

    // Looked up through the active workbook at every call.
    Excel::TWorksheet GetWorksheet() const;
    UnicodeString CellText(int column, int row);
    UnicodeString SkipText();

    // Row of the current record for a cell reference that names `row` for record 0.
    int RecordRow(int row) const;
    // The worksheet's last row. The walk's own cells (quit, skip, break) read
    // as empty below it, so data down to the last row ends the walk there.
    static constexpr int GridLastRow = static_cast<int>(Excel::MaxRows);

    int Layout() const { return layout_; }
    int RecordIndex() const { return recordIndex_; }
    int Line() const { return line_; }
    const UnicodeString& SheetName() const { return sheetName_; }
    const std::vector<int>& SheetNumbers() const { return sheetNumbers_; }

private:
    friend TExcelNode* ReadExcelTag(const UnicodeString& tagText);

    int layout_ = LayoutUnset;
    int recordIndex_ = 0;
    int line_ = 1;
    std::vector<int> sheetNumbers_{1};
    UnicodeString sheetName_;
    int quitColumn_ = -1, quitRow_ = -1;
    int fileNameColumn_ = -1, fileNameRow_ = -1;
    int pageCounter_ = 1;
    int sheetIndex_ = 0;
    long long recordsPassed_ = 0;
    int skipColumn_ = -1, skipRow_ = -1;
};

// The one live excel node; the parser keeps only a plain pointer to it.
extern std::unique_ptr<TExcelNode> CurrentExcelNode;

// Reads an excel tag and installs the node as CurrentExcelNode. A wrong tag
// raises and leaves the slot empty.
TExcelNode* ReadExcelTag(const UnicodeString& tagText);

// The worksheet of the active workbook by name (when not empty) or by number.
Excel::TWorksheet FindActiveWorksheet(const UnicodeString& name, int number);

// The cursor every cell and loop node reads; raises when no excel tag was read.
TExcelNode& RequireExcelNode();
