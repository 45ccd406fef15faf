// json_writer.cpp - JsonWriter: compact text while building, indented at finish().
#include "tools/dae_info/json_writer.h"

#include <cmath>

void JsonWriter::separate()
{
    if (afterKey) {
        afterKey = false;
        return;
    }
    if (!firstInLevel.back())
        compact += ',';
    firstInLevel.back() = false;
}

JsonWriter& JsonWriter::open(char bracket)
{
    separate();
    compact += bracket;
    firstInLevel.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::close(char bracket)
{
    compact += bracket;
    firstInLevel.pop_back();
    return *this;
}

void JsonWriter::quote(const std::string& value)
{
    compact += '"';
    for (unsigned char c : value) {
        if (c == '"' || c == '\\') {
            compact += '\\';
            compact += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
            compact += escaped;
        } else {
            compact += static_cast<char>(c);
        }
    }
    compact += '"';
}

JsonWriter& JsonWriter::key(const std::string& name)
{
    separate();
    quote(name);
    compact += ':';
    afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::string(const std::string& value)
{
    separate();
    quote(value);
    return *this;
}

JsonWriter& JsonWriter::number(double value)
{
    if (!std::isfinite(value))
        return null();
    separate();
    char text[32];
    std::snprintf(text, sizeof(text), "%.9g", value);
    compact += text;
    return *this;
}

JsonWriter& JsonWriter::null()
{
    separate();
    compact += "null";
    return *this;
}

namespace {

// Whether the container opening at `at` holds no object or array (strings may hold brackets).
bool isFlat(const std::string& text, size_t at)
{
    bool inString = false;
    for (size_t i = at + 1; i < text.size(); ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == ']' || c == '}') {
            return true;
        } else if (c == '[' || c == '{') {
            return false;
        }
    }
    return true;
}

} // namespace

void JsonWriter::finish()
{
    std::string pretty;
    int depth = 0;
    int flat = 0; // inside a one-line container
    bool inString = false;
    auto newline = [&] {
        pretty += '\n';
        pretty.append(static_cast<size_t>(depth) * 2, ' ');
    };
    for (size_t i = 0; i < compact.size(); ++i) {
        char c = compact[i];
        if (inString) {
            pretty += c;
            if (c == '\\')
                pretty += compact[++i];
            else if (c == '"')
                inString = false;
            continue;
        }
        bool empty = i + 1 < compact.size() && (compact[i + 1] == ']' || compact[i + 1] == '}');
        switch (c) {
        case '"':
            inString = true;
            pretty += c;
            break;
        case '[':
        case '{':
            pretty += c;
            if (flat || isFlat(compact, i)) {
                ++flat;
            } else {
                ++depth;
                if (!empty)
                    newline();
            }
            break;
        case ']':
        case '}':
            if (flat) {
                --flat;
            } else {
                --depth;
                if (i > 0 && compact[i - 1] != '[' && compact[i - 1] != '{')
                    newline();
            }
            pretty += c;
            break;
        case ',':
            pretty += c;
            if (flat)
                pretty += ' ';
            else
                newline();
            break;
        case ':': pretty += ": "; break;
        default: pretty += c;
        }
    }
    pretty += '\n';
    std::fputs(pretty.c_str(), out);
    std::fflush(out);
}
