// dae-info: the summary of a document that uses every supported feature is one valid JSON
// document on stdout, with the log on stderr; --at poses the nodes; bad arguments exit with 2.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace {

// Just enough JSON to check the tool's output: a parse failure leaves `valid` false.
struct Json {
    enum Kind { NUL, NUMBER, STRING, ARRAY, OBJECT } kind = NUL;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    const Json& operator[](const std::string& key) const { return fields.at(key); }
    const Json& operator[](size_t i) const { return items.at(i); }
};

class JsonParser {
public:
    explicit JsonParser(const std::string& text) : s(text) { }

    bool parse(Json& out)
    {
        bool ok = value(out);
        skip();
        return ok && at == s.size();
    }

private:
    void skip()
    {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\n' || s[at] == '\t' || s[at] == '\r'))
            ++at;
    }
    bool literal(const char* word)
    {
        size_t n = std::strlen(word);
        if (s.compare(at, n, word) != 0)
            return false;
        at += n;
        return true;
    }
    bool string(std::string& out)
    {
        if (s[at] != '"')
            return false;
        for (++at; at < s.size() && s[at] != '"'; ++at) {
            if (static_cast<unsigned char>(s[at]) < 0x20)
                return false;
            if (s[at] == '\\') {
                ++at;
                if (s[at] == 'u') {
                    out += static_cast<char>(std::strtol(s.substr(at + 1, 4).c_str(), nullptr, 16));
                    at += 4;
                    continue;
                }
            }
            out += s[at];
        }
        return at++ < s.size();
    }
    bool value(Json& out)
    {
        skip();
        if (at >= s.size())
            return false;
        char c = s[at];
        if (c == '{' || c == '[') {
            out.kind = c == '{' ? Json::OBJECT : Json::ARRAY;
            ++at;
            skip();
            if (s[at] == (c == '{' ? '}' : ']'))
                return ++at, true;
            for (;;) {
                Json item;
                std::string key;
                if (c == '{') {
                    skip();
                    if (!string(key))
                        return false;
                    skip();
                    if (s[at++] != ':')
                        return false;
                }
                if (!value(item))
                    return false;
                if (c == '{')
                    out.fields[key] = item;
                else
                    out.items.push_back(item);
                skip();
                if (s[at] == ',') {
                    ++at;
                    continue;
                }
                return s[at++] == (c == '{' ? '}' : ']');
            }
        }
        if (c == '"') {
            out.kind = Json::STRING;
            return string(out.text);
        }
        if (literal("null"))
            return true;
        char* end = nullptr;
        out.kind = Json::NUMBER;
        out.number = std::strtod(s.c_str() + at, &end);
        if (end == s.c_str() + at)
            return false;
        at = static_cast<size_t>(end - s.c_str());
        return true;
    }

    const std::string& s;
    size_t at = 0;
};

std::string documents()
{
    return testsupport::sourceDir() + "/tests/scene/documents/";
}

// Runs dae-info; stdout in `out`, stderr in `err`; returns the exit status.
int daeInfo(const std::string& arguments, std::string& out, std::string& err)
{
    std::string dir = testsupport::makeTempDir("dae-info");
    int status = testsupport::runCommand("(" + testsupport::binaryDir() + "/dae-info " + arguments + " >" + dir +
                                         "/out.json 2>" + dir + "/err.txt)");
    testsupport::readFile(dir + "/out.json", out);
    testsupport::readFile(dir + "/err.txt", err);
    return status;
}

Json summary(const std::string& arguments)
{
    std::string out, err;
    EXPECT_EQ(daeInfo(arguments, out, err), 0) << err;
    Json json;
    EXPECT_TRUE(JsonParser(out).parse(json)) << out;
    return json;
}

const Json* findById(const Json& list, const std::string& id)
{
    for (const Json& item : list.items)
        if (item["id"].kind == Json::STRING && item["id"].text == id)
            return &item;
    return nullptr;
}

} // namespace

TEST(DaeInfo, SummarisesEveryPartOfADocumentThatUsesEverySupportedFeature)
{
    std::string out, err;
    ASSERT_EQ(daeInfo(documents() + "every_feature.dae", out, err), 0) << err;
    EXPECT_NE(err.find("Loading every_feature.dae finished.\n"), std::string::npos) << "the log goes to stderr";
    EXPECT_EQ(out.find("Loading"), std::string::npos);
    Json json;
    ASSERT_TRUE(JsonParser(out).parse(json)) << out;

    const Json& box = *findById(json["geometries"], "box");
    ASSERT_EQ(box["submeshes"].items.size(), 3u);
    const Json& floor = box["submeshes"][0];
    EXPECT_EQ(floor["material"].text, "floor");
    EXPECT_EQ(floor["triangles"].number, 2);
    EXPECT_EQ(floor["indices"].number, 24);
    EXPECT_EQ(floor["vertices"].number, 6);
    std::vector<std::pair<double, double>> attributes;
    for (const Json& a : floor["attributes"].items)
        attributes.emplace_back(a["semantic"].number, a["components"].number);
    EXPECT_EQ(attributes, (std::vector<std::pair<double, double>>{{1, 3}, {2, 3}, {4, 2}, {3, 4}}));
    EXPECT_EQ(box["submeshes"][2]["attributes"][1]["semantic"].number, 5) << "TEXCOORD1";
    EXPECT_EQ(json["sources"].number, 22);

    const Json& tri = *findById(json["nodes"], "tri-node");
    EXPECT_EQ(tri["parent"].text, "box-node");
    EXPECT_EQ(tri["mesh"].text, "tri");
    EXPECT_EQ(tri["local"][12].number, 3) << "the matrix element of the translation, stored column-major";
    EXPECT_EQ((*findById(json["nodes"], "box-node"))["parent"].kind, Json::NUL);

    const Json& camera = *findById(json["cameras"], "cam-main");
    EXPECT_EQ(camera["fov"].number, 45);
    EXPECT_EQ(camera["far"].number, 250);
    EXPECT_EQ(camera["node"].text, "camera-node");
    EXPECT_NEAR((*findById(json["cameras"], "cam-derived"))["fov"].number, 90, 1e-4);
    const Json& lamp = *findById(json["lights"], "light-lamp");
    EXPECT_EQ(lamp["kind"].number, 2);
    EXPECT_EQ(lamp["colour"][2].number, 1);
    EXPECT_EQ(lamp["node"].text, "lamp-node");

    const Json& tracks = json["animations"];
    ASSERT_EQ(tracks.items.size(), 3u);
    EXPECT_EQ(tracks[0]["target"].text, "box-node/rotation_y.ANGLE");
    EXPECT_EQ(tracks[0]["attribute"].number, 1);
    EXPECT_EQ(tracks[0]["keys"].number, 3);
    EXPECT_EQ(tracks[0]["end"].number, 2);
    EXPECT_EQ(tracks[0]["interpolations"][1].number, 2);
    EXPECT_EQ(tracks[2]["children"][0]["target"].text, "box-node/translate.X");
    EXPECT_EQ(json["scenes"][0]["name"].text, "Main scene");
    EXPECT_EQ(json["at"].kind, Json::NUL);
}

TEST(DaeInfo, AtPosesTheNodesAsSceneUpdateDoes)
{
    Json still = summary(documents() + "every_feature.dae");
    Json posed = summary(documents() + "every_feature.dae --at 1");
    EXPECT_EQ(posed["at"].number, 1);
    const Json& lamp = *findById(posed["nodes"], "lamp-node");
    EXPECT_EQ(lamp["local"][13].number, 1) << "a step track holds its first key";
    const Json& box = *findById(posed["nodes"], "box-node");
    EXPECT_EQ(box["local"][12].number, 2) << "half way along its translation track";
    EXPECT_NEAR(box["local"][8].number, 1, 1e-6) << "rotated 90 degrees about Y, rotation and scale reset first";
    EXPECT_EQ((*findById(still["nodes"], "box-node"))["local"][12].number, 0);
}

TEST(DaeInfo, BadArgumentsGiveTheReasonAndTheUsageWithStatusTwo)
{
    std::string out, err;
    const std::pair<std::string, std::string> cases[] = {
        {"", "no file given"},
        {"--at", "--at needs a time"},
        {documents() + "every_feature.dae --at soon", "--at: not a number: soon"},
        {"--verbose", "unknown option --verbose"},
        {"/nonexistent/scene.dae", "cannot read /nonexistent/scene.dae"},
        {documents() + "every_feature.dae " + documents() + "every_feature.dae", "one file only"},
        {testsupport::sourceDir() + "/README.md", "ending in .dae or .xml"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(daeInfo(c.first, out, err), 2) << c.first;
        EXPECT_NE(err.find(c.second), std::string::npos) << err;
        EXPECT_NE(err.find("usage: dae-info FILE.dae [--at T]"), std::string::npos);
        EXPECT_EQ(out, "");
    }
    EXPECT_EQ(daeInfo("--help", out, err), 0);
    EXPECT_EQ(out.find("usage: dae-info"), 0u);
}

TEST(DaeInfo, UnsupportedContentEndsTheLoaderWithItsMessageAndStatusOne)
{
    std::string dir = testsupport::makeTempDir("dae-info-lines");
    testsupport::writeFile(dir + "/lines.dae",
                           "<COLLADA><library_geometries><geometry id=\"g\"><mesh><lines count=\"1\"/>"
                           "</mesh></geometry></library_geometries></COLLADA>");
    std::string out, err;
    EXPECT_EQ(daeInfo(dir + "/lines.dae", out, err), 1);
    EXPECT_NE(err.find(" Not supported: lines\n"), std::string::npos) << err;
    EXPECT_EQ(out, "");
}

TEST(DaeInfo, ADeeplyNestedDocumentIsRefusedWithAMessageNotACrash)
{
    std::string dir = testsupport::makeTempDir("dae-info-deep");
    std::string text = "<COLLADA><library_visual_scenes><visual_scene id=\"s\">";
    for (int i = 0; i < 200000; ++i)
        text += "<node>";
    testsupport::writeFile(dir + "/deep.dae", text);
    std::string out, err;
    EXPECT_EQ(daeInfo(dir + "/deep.dae", out, err), 1);
    EXPECT_NE(err.find("Elements nested deeper than 512 levels"), std::string::npos) << err.substr(0, 2000);
    EXPECT_EQ(out, "");
}
