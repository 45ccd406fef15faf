// skene_collada.cpp - the COLLADA writer.
#include "skene_collada.h"

#include <tinyxml.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>

namespace skene {

namespace {

// A value rounded to `decimals` places, printed from the rounded integer so that the text does not
// depend on the C library's float formatting.
std::string fixed(long long scaled, int decimals)
{
    std::string sign = scaled < 0 ? "-" : "";
    unsigned long long magnitude = static_cast<unsigned long long>(scaled < 0 ? -scaled : scaled);
    unsigned long long unit = 1;
    for (int i = 0; i < decimals; ++i)
        unit *= 10;
    std::string text = std::to_string(magnitude / unit);
    unsigned long long fraction = magnitude % unit;
    if (fraction != 0) {
        std::string digits = std::to_string(fraction);
        digits.insert(0, static_cast<size_t>(decimals) - digits.size(), '0');
        while (!digits.empty() && digits.back() == '0')
            digits.pop_back();
        text += "." + digits;
    }
    return magnitude == 0 ? "0" : sign + text;
}

long long quantize(float v, int decimals) { return std::llround(static_cast<double>(v) * std::pow(10.0, decimals)); }

std::string number(float v, int decimals = 4) { return fixed(quantize(v, decimals), decimals); }

// Values of one source: tuples of `stride` numbers, each stored once.
class SourceTable {
public:
    SourceTable(int stride, int decimals) : stride(stride), decimals(decimals) {}

    uint32_t add(const float* values)
    {
        std::array<long long, 4> key{};
        for (int i = 0; i < stride; ++i)
            key[i] = quantize(values[i], decimals);
        auto found = index.find(key);
        if (found != index.end())
            return found->second;
        uint32_t n = static_cast<uint32_t>(tuples.size());
        index[key] = n;
        tuples.push_back(key);
        return n;
    }
    size_t count() const { return tuples.size(); }
    std::string text() const
    {
        std::string out;
        for (const auto& t : tuples)
            for (int i = 0; i < stride; ++i) {
                if (!out.empty())
                    out += ' ';
                out += fixed(t[i], decimals);
            }
        return out;
    }

    const int stride;
    const int decimals;

private:
    std::map<std::array<long long, 4>, uint32_t> index;
    std::vector<std::array<long long, 4>> tuples;
};

TiXmlElement* add(TiXmlNode* parent, const char* tag)
{
    return parent->LinkEndChild(new TiXmlElement(tag))->ToElement();
}

TiXmlElement* addText(TiXmlNode* parent, const char* tag, const std::string& text)
{
    TiXmlElement* e = add(parent, tag);
    e->LinkEndChild(new TiXmlText(text));
    return e;
}

std::string join(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& p : parts) {
        if (!out.empty())
            out += ' ';
        out += p;
    }
    return out;
}

// <source> with a float_array (or Name_array) and its accessor.
void addSource(TiXmlNode* parent, const std::string& id, const std::string& values, size_t valueCount, int stride,
               const std::vector<const char*>& params, bool names = false)
{
    TiXmlElement* source = add(parent, "source");
    source->SetAttribute("id", id);
    TiXmlElement* array = addText(source, names ? "Name_array" : "float_array", values);
    array->SetAttribute("id", id + "-array");
    array->SetAttribute("count", static_cast<int>(valueCount));
    TiXmlElement* accessor = add(add(source, "technique_common"), "accessor");
    accessor->SetAttribute("source", "#" + id + "-array");
    accessor->SetAttribute("count", static_cast<int>(valueCount / stride));
    accessor->SetAttribute("stride", stride);
    for (const char* name : params) {
        TiXmlElement* param = add(accessor, "param");
        param->SetAttribute("name", name);
        param->SetAttribute("type", names ? "name" : "float");
    }
}

void addInput(TiXmlElement* parent, const char* semantic, const std::string& source, int offset)
{
    TiXmlElement* input = add(parent, "input");
    input->SetAttribute("semantic", semantic);
    input->SetAttribute("source", "#" + source);
    if (offset >= 0)
        input->SetAttribute("offset", offset);
}

void writeAsset(TiXmlElement* root)
{
    TiXmlElement* asset = add(root, "asset");
    TiXmlElement* contributor = add(asset, "contributor");
    addText(contributor, "author", "Sublumen");
    addText(contributor, "authoring_tool", "skenegen");
    addText(asset, "created", "2026-01-01T00:00:00Z");
    addText(asset, "modified", "2026-01-01T00:00:00Z");
    TiXmlElement* unit = add(asset, "unit");
    unit->SetAttribute("name", "meter");
    unit->SetAttribute("meter", "1");
    addText(asset, "up_axis", "Y_UP");
}

void writeCameras(TiXmlElement* root, const Scene& scene)
{
    TiXmlElement* library = add(root, "library_cameras");
    for (const Camera& c : scene.cameras) {
        TiXmlElement* camera = add(library, "camera");
        camera->SetAttribute("id", c.id);
        camera->SetAttribute("name", c.id);
        TiXmlElement* perspective = add(add(add(camera, "optics"), "technique_common"), "perspective");
        if (c.xfov > 0)
            addText(perspective, "xfov", number(c.xfov))->SetAttribute("sid", "xfov");
        if (c.yfov > 0)
            addText(perspective, "yfov", number(c.yfov))->SetAttribute("sid", "yfov");
        if (c.aspect > 0)
            addText(perspective, "aspect_ratio", number(c.aspect))->SetAttribute("sid", "aspect_ratio");
        addText(perspective, "znear", number(c.znear))->SetAttribute("sid", "znear");
        addText(perspective, "zfar", number(c.zfar))->SetAttribute("sid", "zfar");
    }
}

void writeLights(TiXmlElement* root, const Scene& scene)
{
    TiXmlElement* library = add(root, "library_lights");
    for (const Light& l : scene.lights) {
        TiXmlElement* light = add(library, "light");
        light->SetAttribute("id", l.id);
        light->SetAttribute("name", l.id);
        const char* kind = l.kind == Light::Ambient ? "ambient" : (l.kind == Light::Directional ? "directional" : "point");
        TiXmlElement* body = add(add(light, "technique_common"), kind);
        addText(body, "color", join({number(l.colour.x), number(l.colour.y), number(l.colour.z)}));
        if (l.kind == Light::Point) {
            addText(body, "constant_attenuation", number(l.constant, 6));
            addText(body, "linear_attenuation", number(l.linear, 6));
            addText(body, "quadratic_attenuation", number(l.quadratic, 6));
        }
    }
}

std::set<std::string> materialSymbols(const Scene& scene)
{
    std::set<std::string> symbols;
    for (const Geometry& g : scene.geometries)
        for (const Group& group : g.groups)
            symbols.insert(group.material);
    return symbols;
}

// Effects and materials for other COLLADA tools (the production reads its own material files).
void writeMaterials(TiXmlElement* root, const Scene& scene)
{
    std::set<std::string> symbols = materialSymbols(scene);
    TiXmlElement* effects = add(root, "library_effects");
    for (const std::string& s : symbols) {
        TiXmlElement* effect = add(effects, "effect");
        effect->SetAttribute("id", s + "-effect");
        TiXmlElement* technique = add(add(effect, "profile_COMMON"), "technique");
        technique->SetAttribute("sid", "common");
        bool glows = s == "glow" || s == "portal";
        TiXmlElement* shading = add(technique, glows ? "constant" : "lambert");
        const char* colour = s == "glow" ? "1 0.62 0.26 1" : (s == "portal" ? "0.38 0.72 1 1" : "0.7 0.68 0.64 1");
        addText(add(shading, glows ? "emission" : "diffuse"), "color", colour);
    }
    TiXmlElement* materials = add(root, "library_materials");
    for (const std::string& s : symbols) {
        TiXmlElement* material = add(materials, "material");
        material->SetAttribute("id", s + "-material");
        material->SetAttribute("name", s);
        add(material, "instance_effect")->SetAttribute("url", "#" + s + "-effect");
    }
}

void writeGeometry(TiXmlElement* library, const Geometry& g)
{
    std::string id = colladaGeometryId(g.id);
    SourceTable positions(3, 4), normals(3, 4), texcoords(2, 4), colours(4, 3);
    // Index tuples per group, in input order.
    std::vector<std::vector<uint32_t>> tuples(g.groups.size());
    for (size_t gi = 0; gi < g.groups.size(); ++gi) {
        const Group& group = g.groups[gi];
        for (uint32_t index : group.indices) {
            const Vertex& v = group.vertices[index];
            const float p[3] = {v.position.x, v.position.y, v.position.z};
            const float n[3] = {v.normal.x, v.normal.y, v.normal.z};
            tuples[gi].push_back(positions.add(p));
            tuples[gi].push_back(normals.add(n));
            if (g.texcoords) {
                const float t[2] = {v.u, v.v};
                tuples[gi].push_back(texcoords.add(t));
            }
            if (g.colours) {
                const float c[4] = {std::min(v.light.x / kBakedLightScale, 1.0f),
                                    std::min(v.light.y / kBakedLightScale, 1.0f),
                                    std::min(v.light.z / kBakedLightScale, 1.0f), v.ao};
                tuples[gi].push_back(colours.add(c));
            }
        }
    }

    TiXmlElement* geometry = add(library, "geometry");
    geometry->SetAttribute("id", id);
    geometry->SetAttribute("name", g.id);
    TiXmlElement* mesh = add(geometry, "mesh");
    addSource(mesh, id + "-positions", positions.text(), positions.count() * 3, 3, {"X", "Y", "Z"});
    addSource(mesh, id + "-normals", normals.text(), normals.count() * 3, 3, {"X", "Y", "Z"});
    if (g.texcoords)
        addSource(mesh, id + "-texcoords", texcoords.text(), texcoords.count() * 2, 2, {"S", "T"});
    if (g.colours)
        addSource(mesh, id + "-colours", colours.text(), colours.count() * 4, 4, {"R", "G", "B", "A"});
    TiXmlElement* vertices = add(mesh, "vertices");
    vertices->SetAttribute("id", id + "-vertices");
    addInput(vertices, "POSITION", id + "-positions", -1);

    for (size_t gi = 0; gi < g.groups.size(); ++gi) {
        const Group& group = g.groups[gi];
        TiXmlElement* primitive = add(mesh, group.polylist ? "polylist" : "triangles");
        primitive->SetAttribute("material", group.material);
        primitive->SetAttribute("count", static_cast<int>(group.triangleCount()));
        int offset = 0;
        addInput(primitive, "VERTEX", id + "-vertices", offset++);
        addInput(primitive, "NORMAL", id + "-normals", offset++);
        if (g.texcoords)
            addInput(primitive, "TEXCOORD", id + "-texcoords", offset++);
        if (g.colours)
            addInput(primitive, "COLOR", id + "-colours", offset++);
        if (group.polylist) {
            std::string counts;
            for (size_t t = 0; t < group.triangleCount(); ++t)
                counts += t ? " 3" : "3";
            addText(primitive, "vcount", counts);
        }
        std::string p;
        p.reserve(tuples[gi].size() * 6);
        for (size_t i = 0; i < tuples[gi].size(); ++i) {
            if (i)
                p += ' ';
            p += std::to_string(tuples[gi][i]);
        }
        addText(primitive, "p", p);
    }
}

void writeGeometries(TiXmlElement* root, const Scene& scene)
{
    TiXmlElement* library = add(root, "library_geometries");
    for (const Geometry& g : scene.geometries)
        writeGeometry(library, g);
}

void writeTrack(TiXmlNode* parent, const Track& track)
{
    TiXmlElement* animation = add(parent, "animation");
    animation->SetAttribute("id", track.id);
    bool bezier = false;
    std::vector<std::string> times, values, interpolations, inTangents, outTangents;
    for (const Key& k : track.keys) {
        times.push_back(number(k.time));
        values.push_back(number(k.value));
        interpolations.push_back(k.interpolation == Interpolation::Step
                                     ? "STEP"
                                     : (k.interpolation == Interpolation::Linear ? "LINEAR" : "BEZIER"));
        bezier = bezier || k.interpolation == Interpolation::Bezier;
        inTangents.push_back(number(k.inTime) + " " + number(k.inValue));
        outTangents.push_back(number(k.outTime) + " " + number(k.outValue));
    }
    size_t n = track.keys.size();
    const std::string& id = track.id;
    bool angle = track.target.find(".ANGLE") != std::string::npos;
    addSource(animation, id + "-input", join(times), n, 1, {"TIME"});
    addSource(animation, id + "-output", join(values), n, 1, {angle ? "ANGLE" : "VALUE"});
    addSource(animation, id + "-interpolation", join(interpolations), n, 1, {"INTERPOLATION"}, true);
    if (bezier) {
        addSource(animation, id + "-intangent", join(inTangents), 2 * n, 2, {"X", "Y"});
        addSource(animation, id + "-outtangent", join(outTangents), 2 * n, 2, {"X", "Y"});
    }
    TiXmlElement* sampler = add(animation, "sampler");
    sampler->SetAttribute("id", id + "-sampler");
    addInput(sampler, "INPUT", id + "-input", -1);
    addInput(sampler, "OUTPUT", id + "-output", -1);
    addInput(sampler, "INTERPOLATION", id + "-interpolation", -1);
    if (bezier) {
        addInput(sampler, "IN_TANGENT", id + "-intangent", -1);
        addInput(sampler, "OUT_TANGENT", id + "-outtangent", -1);
    }
    TiXmlElement* channel = add(animation, "channel");
    channel->SetAttribute("source", "#" + id + "-sampler");
    channel->SetAttribute("target", track.target);
    for (const Track& child : track.children)
        writeTrack(animation, child);
}

void writeNode(TiXmlNode* parent, const Node& node, const Scene& scene)
{
    TiXmlElement* e = add(parent, "node");
    e->SetAttribute("id", node.id);
    e->SetAttribute("name", node.name.empty() ? node.id : node.name);
    for (const Transform& t : node.transforms) {
        static const char* tags[] = {"matrix", "rotate", "scale", "translate"};
        std::vector<std::string> values;
        for (float v : t.values)
            values.push_back(number(v, t.kind == Transform::Matrix ? 6 : 4));
        TiXmlElement* transform = addText(e, tags[t.kind], join(values));
        if (!t.sid.empty())
            transform->SetAttribute("sid", t.sid);
    }
    if (!node.camera.empty())
        add(e, "instance_camera")->SetAttribute("url", "#" + node.camera);
    if (!node.geometry.empty()) {
        TiXmlElement* instance = add(e, "instance_geometry");
        instance->SetAttribute("url", "#" + colladaGeometryId(node.geometry));
        TiXmlElement* common = add(add(instance, "bind_material"), "technique_common");
        std::set<std::string> bound;
        for (const Geometry& g : scene.geometries)
            if (g.id == node.geometry)
                for (const Group& group : g.groups)
                    bound.insert(group.material);
        for (const std::string& symbol : bound) {
            TiXmlElement* material = add(common, "instance_material");
            material->SetAttribute("symbol", symbol);
            material->SetAttribute("target", "#" + symbol + "-material");
        }
    }
    if (!node.light.empty())
        add(e, "instance_light")->SetAttribute("url", "#" + node.light);
    for (const Node& child : node.children)
        writeNode(e, child, scene);
}

} // namespace

std::string colladaGeometryId(const std::string& geometry) { return geometry + "-mesh"; }

std::string colladaText(const Scene& scene)
{
    TiXmlDocument doc;
    doc.LinkEndChild(new TiXmlDeclaration("1.0", "utf-8", ""));
    TiXmlElement* root = add(&doc, "COLLADA");
    root->SetAttribute("xmlns", "http://www.collada.org/2005/11/COLLADASchema");
    root->SetAttribute("version", "1.4.1");
    writeAsset(root);
    writeCameras(root, scene);
    writeLights(root, scene);
    writeMaterials(root, scene);
    writeGeometries(root, scene);
    TiXmlElement* animations = add(root, "library_animations");
    for (const Track& track : scene.tracks)
        writeTrack(animations, track);
    TiXmlElement* visualScene = add(add(root, "library_visual_scenes"), "visual_scene");
    visualScene->SetAttribute("id", "skene");
    visualScene->SetAttribute("name", "skene");
    for (const Node& node : scene.nodes)
        writeNode(visualScene, node, scene);
    add(add(root, "scene"), "instance_visual_scene")->SetAttribute("url", "#skene");

    TiXmlPrinter printer;
    printer.SetIndent(" ");
    doc.Accept(&printer);
    return printer.Str();
}

} // namespace skene
