// xml_depth.h - what the XML readers do before and around TinyXML: how deeply a document's
// elements nest, found by a cheap scan before parsing, and the parse itself from a padded copy.
//
// TinyXML parses nested elements recursively, and so do the readers above it (nodes, material
// parameters): a document nested tens of thousands of levels deep overflows the stack, and the
// parse time grows with the square of the depth. The readers refuse a document deeper than
// kMaxXmlDepth before either recursion runs.
#pragma once

// Far beyond any authored scene or material (a few tens of levels), far below what the stack takes
// (TinyXML fails near 100,000 levels, the node reader under AddressSanitizer near 5,000).
constexpr int kMaxXmlDepth = 512;

// The deepest element nesting of `text` (0 for no element), counted as a parser would see the
// elements: comments, CDATA sections, processing instructions and declarations hold none, quoted
// attribute values are skipped, "<a/>" opens nothing. Counting stops above `limit` (the result is
// then limit + 1). A null text has depth 0.
int xmlElementDepth(const char* text, int limit = kMaxXmlDepth);

// The parse-error text the readers log for a document nested deeper than kMaxXmlDepth.
const char* xmlTooDeepDescription();

class TiXmlDocument;

// Parses `text` (up to its first NUL) into `xml`. In a UTF-8 document TinyXML steps over the whole
// sequence a lead byte announces (up to four bytes) without looking for the terminator inside it,
// so a text that ends in a cut-off sequence was read past its end, into whatever followed it in
// memory. The parse runs on a copy followed by a run of NULs, where every such step lands on one.
void parseXml(TiXmlDocument& xml, const char* text);
