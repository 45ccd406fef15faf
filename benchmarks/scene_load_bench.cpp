// Scene loading speed: loadColladaDocument's parse and read plus buildScenes, on a generated
// document of about 500,000 triangles (four primitive groups over one vertex grid with positions,
// normals and texture coordinates, indexed separately), ten instancing nodes and sixty Bezier
// tracks, compared with TinyXML's parse alone of the same text, the floor for a loader on this
// parser. Reported as the counter "vs_parse" (load + build time / parse time, target at most 2).
//
//   build/benchmarks/scene_load_bench
//
// No GL: the meshes' float stores are built, not uploaded.
#include "engine_api.h"
#include "scene/collada.h"
#include "scene/scene.h"

#include <benchmark/benchmark.h>
#include <tinyxml.h>

#include <chrono>
#include <cstdio>
#include <string>

using namespace BRAVIK_LUMENVAT;

namespace {

const int GRID = 250; // quads per side: 2 x 250 x 250 = 125,000 triangles per group
const int GROUPS = 4;
const int TRACKS = 60;
const int KEYS = 200;

void append(std::string& text, const char* format, double a, double b = 0, double c = 0)
{
    char number[96];
    std::snprintf(number, sizeof(number), format, a, b, c);
    text += number;
}

std::string floatSource(const std::string& id, int stride, int count, std::string values)
{
    return "<source id=\"" + id + "\"><float_array id=\"" + id + "-array\" count=\"" + std::to_string(stride * count) +
           "\">" + values + "</float_array><technique_common><accessor source=\"#" + id + "-array\" count=\"" +
           std::to_string(count) + "\" stride=\"" + std::to_string(stride) + "\"/></technique_common></source>\n";
}

std::string generateDocument()
{
    const int side = GRID + 1;
    std::string positions, normals, uvs;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            append(positions, "%.4f %.4f %.4f ", x * 0.1, 0.05 * ((x * 7 + y * 13) % 11), y * 0.1);
            append(normals, "%.5f %.5f %.5f ", 0.01 * (x % 5), 0.99, 0.01 * (y % 7));
            append(uvs, "%.5f %.5f ", static_cast<double>(x) / GRID, static_cast<double>(y) / GRID);
        }
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<COLLADA version=\"1.4.1\">\n<library_geometries>"
                       "<geometry id=\"grid\"><mesh>\n";
    text += floatSource("grid-positions", 3, side * side, positions);
    text += floatSource("grid-normals", 3, side * side, normals);
    text += floatSource("grid-uvs", 2, side * side, uvs);
    text += "<vertices id=\"grid-vertices\"><input semantic=\"POSITION\" source=\"#grid-positions\"/></vertices>\n";
    for (int g = 0; g < GROUPS; ++g) {
        text += "<triangles material=\"material" + std::to_string(g) + "\" count=\"" + std::to_string(2 * GRID * GRID) +
                "\"><input semantic=\"VERTEX\" source=\"#grid-vertices\" offset=\"0\"/>"
                "<input semantic=\"NORMAL\" source=\"#grid-normals\" offset=\"1\"/>"
                "<input semantic=\"TEXCOORD\" source=\"#grid-uvs\" offset=\"2\" set=\"0\"/>\n<p>";
        for (int y = 0; y < GRID; ++y)
            for (int x = 0; x < GRID; ++x) {
                int a = y * side + x, b = a + 1, c = a + side, d = c + 1;
                for (int v : {a, c, b, b, c, d}) {
                    int n = (v + g) % (side * side);
                    append(text, "%.0f %.0f %.0f ", v, n, v);
                }
            }
        text += "</p></triangles>\n";
    }
    text += "</mesh></geometry></library_geometries>\n<library_animations>\n";
    static const char* const suffixes[] = {"rotation_z.ANGLE", "rotation_y.ANGLE", "scale.X", "translate.Y"};
    for (int t = 0; t < TRACKS; ++t) {
        std::string id = "track" + std::to_string(t);
        std::string times, values, tangents, interpolations;
        for (int k = 0; k < KEYS; ++k) {
            append(times, "%.3f ", k * 0.1);
            append(values, "%.3f ", (k * 37 + t) % 90);
            append(tangents, "%.3f %.3f ", k * 0.1 + 0.03, (k * 37 + t) % 90);
            interpolations += "BEZIER ";
        }
        text += "<animation id=\"" + id + "\">" + floatSource(id + "-in", 1, KEYS, times) +
                floatSource(id + "-out", 1, KEYS, values) + floatSource(id + "-it", 2, KEYS, tangents) +
                floatSource(id + "-ot", 2, KEYS, tangents) + "<source id=\"" + id + "-ip\"><Name_array>" +
                interpolations + "</Name_array></source><sampler id=\"" + id + "-s\">" +
                "<input semantic=\"INPUT\" source=\"#" + id + "-in\"/><input semantic=\"OUTPUT\" source=\"#" + id +
                "-out\"/><input semantic=\"IN_TANGENT\" source=\"#" + id +
                "-it\"/><input semantic=\"OUT_TANGENT\" "
                "source=\"#" +
                id + "-ot\"/><input semantic=\"INTERPOLATION\" source=\"#" + id +
                "-ip\"/></sampler>"
                "<channel source=\"#" +
                id + "-s\" target=\"node" + std::to_string(t % 10) + "/" + suffixes[t % 4] + "\"/></animation>\n";
    }
    text += "</library_animations>\n<library_visual_scenes><visual_scene id=\"stage\" name=\"Stage\">";
    for (int n = 0; n < 10; ++n)
        text += "<node id=\"node" + std::to_string(n) + "\"><translate>" + std::to_string(n) +
                " 0 0</translate><rotate>0 1 0 0</rotate><scale>1 1 1</scale><instance_geometry url=\"#grid\"/></node>";
    text += "</visual_scene></library_visual_scenes>\n</COLLADA>\n";
    return text;
}

const std::string& documentText()
{
    static const std::string text = generateDocument();
    return text;
}

void quietEngine()
{
    static bool set = false;
    if (set)
        return;
    RvkOptions options;
    options.logPath = "/dev/null";
    options.boxesToLogOnly = true;
    options.noAudio = true;
    rvkSetOptions(&options);
    set = true;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void parseOnly(benchmark::State& state)
{
    const std::string& text = documentText();
    for (auto _ : state) {
        TiXmlDocument xml;
        xml.Parse(text.c_str());
        benchmark::DoNotOptimize(xml.RootElement());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Each iteration also runs the parse alone (untimed), interleaved, so that the ratio compares
// runs made under the same conditions.
void loadAndBuild(benchmark::State& state)
{
    quietEngine();
    const std::string& text = documentText();
    double parseSeconds = 0, loadSeconds = 0;
    int triangles = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            auto start = std::chrono::steady_clock::now();
            TiXmlDocument xml;
            xml.Parse(text.c_str());
            benchmark::DoNotOptimize(xml.RootElement());
            parseSeconds += secondsSince(start);
        }
        state.ResumeTiming();
        auto start = std::chrono::steady_clock::now();
        ColladaDocument* document = readColladaDocument("generated.dae", text.c_str());
        Scene* scene = buildScenes(document);
        loadSeconds += secondsSince(start);

        state.PauseTiming();
        triangles = 0;
        for (const Mesh::SubMesh* group : document->meshes.find("grid")->subMeshes.items)
            triangles += group->triangleCount;
        delete scene;
        delete document;
        state.ResumeTiming();
    }
    state.counters["triangles"] = triangles;
    state.counters["text_MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["vs_parse"] = parseSeconds > 0 ? loadSeconds / parseSeconds : 0;
}

BENCHMARK(parseOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(loadAndBuild)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
