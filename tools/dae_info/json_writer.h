// json_writer.h - a small streaming JSON writer for the tools: chained calls build the document,
// finish() prints it indented, objects and arrays of plain values on one line.
//
//   JsonWriter json(stdout);
//   json.beginObject().key("id").string("box").key("local").beginArray().number(1).endArray().endObject();
//   json.finish();
//
// Numbers print with 9 significant digits (a float survives the round trip); NaN and infinities,
// which JSON lacks, print as null.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

class JsonWriter {
public:
    explicit JsonWriter(FILE* out) : out(out) { }

    JsonWriter& beginObject() { return open('{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray() { return open('['); }
    JsonWriter& endArray() { return close(']'); }
    JsonWriter& key(const std::string& name);
    JsonWriter& string(const std::string& value);
    JsonWriter& number(double value);
    JsonWriter& null();
    // Writes the document, indented, followed by a line break.
    void finish();

private:
    JsonWriter& open(char bracket);
    JsonWriter& close(char bracket);
    void separate();
    void quote(const std::string& value);

    FILE* out;
    std::string compact;
    std::vector<bool> firstInLevel{true};
    bool afterKey = false;
};
