// xml_depth.cpp - the nesting scan the XML readers run before parsing, and the padded parse.
#include "scene/xml_depth.h"

#include <tinyxml.h>

#include <cstring>
#include <string>

namespace {

// The character after the first `end` at or after p, or the text's end.
const char* skipPast(const char* p, const char* end)
{
    const char* found = std::strstr(p, end);
    return found ? found + std::strlen(end) : p + std::strlen(p);
}

bool startsWith(const char* p, const char* prefix)
{
    return std::strncmp(p, prefix, std::strlen(prefix)) == 0;
}

} // namespace

int xmlElementDepth(const char* text, int limit)
{
    if (!text)
        return 0;
    int depth = 0, deepest = 0;
    const char* p = text;
    while (*p) {
        if (*p != '<') {
            ++p;
            continue;
        }
        if (startsWith(p, "<!--")) {
            p = skipPast(p + 4, "-->");
        } else if (startsWith(p, "<![CDATA[")) {
            p = skipPast(p + 9, "]]>");
        } else if (startsWith(p, "<?")) {
            p = skipPast(p + 2, "?>");
        } else if (startsWith(p, "<!")) {
            p = skipPast(p + 2, ">");
        } else if (startsWith(p, "</")) {
            if (depth > 0)
                --depth;
            p = skipPast(p + 2, ">");
        } else {
            // An opening tag: up to its '>' outside quoted attribute values.
            ++p;
            char quote = 0, last = 0;
            for (; *p && (quote || *p != '>'); ++p) {
                if (quote) {
                    if (*p == quote)
                        quote = 0;
                } else if (*p == '"' || *p == '\'') {
                    quote = *p;
                } else if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') {
                    last = *p;
                }
            }
            if (*p == '>')
                ++p;
            if (last != '/' && ++depth > deepest) {
                deepest = depth;
                if (deepest > limit)
                    return limit + 1;
            }
        }
    }
    return deepest;
}

const char* xmlTooDeepDescription()
{
    static const char* const text = "Elements nested deeper than 512 levels; the document is refused";
    static_assert(kMaxXmlDepth == 512, "the description names the bound");
    return text;
}

void parseXml(TiXmlDocument& xml, const char* text)
{
    // Four bytes is the longest step; the rest is margin for the look-aheads after one.
    constexpr size_t kPadding = 16;
    std::string padded(text ? text : "");
    padded.append(kPadding, '\0');
    xml.Parse(padded.c_str());
}
