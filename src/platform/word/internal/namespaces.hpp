// The namespaces of WordprocessingML under the prefixes the layer names
// elements by. Word writes "w:", "wp:", "a:"...; other programs may bind
// the same namespaces to other prefixes (pandoc's "ns0:") or make one the
// default namespace. What an element is depends on its namespace alone, so
// a parsed part is given the usual prefixes before anything reads it.
#pragma once

#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace korvax::word::detail {

// When the bytes a part was parsed from bind one of the namespaces the layer
// reads to a prefix other than its usual one, or to the default namespace:
// renames the elements and attributes of those namespaces to the usual
// prefixes and declares them on the document element; the declarations
// found stay, so that prefixes named in attribute values (mc:Ignorable)
// still resolve. Fails with 5792 when a usual prefix is bound to another
// namespace where it would be needed.
void NormalizePrefixes(pugi::xml_document& doc, std::string_view bytes, const std::string& what);

// Declares the namespace of a usual prefix ("wp", "a"...) on the document
// element unless the prefix is declared there.
void DeclareUsual(pugi::xml_node root, std::string_view prefix);

}  // namespace korvax::word::detail
