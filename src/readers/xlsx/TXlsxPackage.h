#pragma once

// Package plumbing of the .xlsx reader: the relationship parts of
// ECMA-376-2 (Open Packaging Conventions) and the namespace names, strict
// and transitional, that the SpreadsheetML parts may use.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "readers/TXmlReader.h"

namespace Excel {

class TZipArchive;

// One relationship of a package part, its target resolved to a part name.
struct TRelationship {
    std::string id;
    std::string type;    // the last segment of the type URI ("worksheet", "styles")
    std::string target;  // part name without a leading "/", empty for external targets
};

// The relationships of `part` (from "<dir>/_rels/<name>.rels"); none when that
// part is absent. Transitional and strict type URIs give the same `type`.
std::vector<TRelationship> ReadRelationships(const TZipArchive& archive, std::string_view part);

// The first relationship of the given type, or nullptr.
const TRelationship* FindRelationship(const std::vector<TRelationship>& relationships,
                                      std::string_view type);

// A relationship target taken relative to the folder of `source`, or from the
// package root when it starts with "/"; "." and ".." are resolved, "%XX"
// decoded and backslashes read as slashes.
std::string ResolvePartName(std::string_view source, std::string_view target);

// The main namespaces of SpreadsheetML and of relationship ids, transitional or strict.
bool IsSpreadsheetNamespace(std::string_view uri);
bool IsRelationshipNamespace(std::string_view uri);

// IsSpreadsheetNamespace remembered for the namespace id last seen, so the
// many events of a large part cost no comparison of URIs.
class TSpreadsheetSpace {
public:
    bool Is(const TXmlName& name)
    {
        if (name.space != 0 && name.space == space_)
            return is_;
        const bool is = IsSpreadsheetNamespace(name.uri);
        if (name.space != 0) {
            space_ = name.space;
            is_ = is;
        }
        return is;
    }

private:
    std::uint64_t space_ = 0;
    bool is_ = false;
};

} // namespace Excel
