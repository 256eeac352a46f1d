#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "template/TNode.h"
#include "template/TAttributes.h"
#include "text/UnicodeString.h"
#include "automation/TExcel.h"

// The block between loop_start and loop_end, repeated record after record
// until the data ends, maxcount records are shown or the break cell changes.
class TLoopNode : public TNode {
public:
    explicit TLoopNode(const UnicodeString& tagText) : TNode(tagText) {}

    void RenderTo(UnicodeString& out) override;
    void Reset() override;

    void Append(std::unique_ptr<TNode> child) { children_.push_back(std::move(child)); }
    const TNodeList& Children() const { return children_; }

private:
    friend TLoopNode* ReadLoopTag(const UnicodeString& tagText);

    bool IsFinished();
    UnicodeString ReadBreakText();
    Excel::TWorksheet& LocateWorksheet();

    TNodeList children_;
    int maxCount_ = MaxRowNumber;
    int breakColumn_ = -1;
    int breakRow_ = -1;
    UnicodeString previousBreakText_;
    bool hasPrevious_ = false;
    int renderedCount_ = 0;
    std::optional<Excel::TWorksheet> worksheet_;
};

// Reads a loop_start tag; a wrong attribute raises and no node survives.
TLoopNode* ReadLoopTag(const UnicodeString& tagText);
