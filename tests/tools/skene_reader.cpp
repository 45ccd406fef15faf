// skene_reader.cpp - the test-side COLLADA reader.
#include "skene_reader.h"

#include <tinyxml.h>

#include <cstdlib>
#include <sstream>

namespace skenetest {

namespace {

struct Source {
    std::vector<float> floats;
    std::vector<std::string> names;
    int count = 0, stride = 1;
};

struct Reader {
    Document& doc;
    std::map<std::string, Source> sources;
    std::map<std::string, std::string> vertices; // <vertices> id -> POSITION source id
    std::set<std::string> ids;

    void problem(const std::string& text) { doc.problems.push_back(text); }

    static std::string attribute(const TiXmlElement* e, const char* name)
    {
        const char* v = e->Attribute(name);
        return v ? v : "";
    }
    static std::string strip(const std::string& reference)
    {
        size_t i = reference.find_first_not_of('#');
        return i == std::string::npos ? "" : reference.substr(i);
    }
    static std::vector<std::string> tokens(const TiXmlElement* e)
    {
        std::vector<std::string> out;
        std::istringstream in(e->GetText() ? e->GetText() : "");
        std::string t;
        while (in >> t)
            out.push_back(t);
        return out;
    }
    static std::vector<float> floats(const TiXmlElement* e)
    {
        std::vector<float> out;
        for (const std::string& t : tokens(e))
            out.push_back(static_cast<float>(std::atof(t.c_str())));
        return out;
    }

    void collectIds(const TiXmlElement* e)
    {
        for (; e; e = e->NextSiblingElement()) {
            std::string id = attribute(e, "id");
            if (!id.empty() && !ids.insert(id).second)
                problem("duplicate id " + id);
            static const std::set<std::string> refused = {"lines", "trifans", "tristrips", "bool_array", "lookat",
                                                          "instance_node"};
            if (refused.count(e->Value()))
                problem(std::string("element the loader refuses or warns about: ") + e->Value());
            collectIds(e->FirstChildElement());
        }
    }

    void readSource(const TiXmlElement* e)
    {
        Source s;
        std::string id = attribute(e, "id");
        for (const TiXmlElement* c = e->FirstChildElement(); c; c = c->NextSiblingElement()) {
            std::string tag = c->Value();
            if (tag == "float_array" || tag == "Name_array") {
                size_t n;
                if (tag == "float_array") {
                    s.floats = floats(c);
                    n = s.floats.size();
                } else {
                    s.names = tokens(c);
                    n = s.names.size();
                }
                if (std::atoi(attribute(c, "count").c_str()) != static_cast<int>(n))
                    problem("array count of " + id + " disagrees with its values");
            } else if (tag == "technique_common") {
                const TiXmlElement* accessor = c->FirstChildElement("accessor");
                if (!accessor || !accessor->Attribute("count")) {
                    problem("source " + id + " has no accessor count");
                    continue;
                }
                s.count = std::atoi(attribute(accessor, "count").c_str());
                s.stride = accessor->Attribute("stride") ? std::atoi(attribute(accessor, "stride").c_str()) : 1;
            }
        }
        size_t values = s.floats.empty() ? s.names.size() : s.floats.size();
        if (static_cast<size_t>(s.count) * s.stride != values)
            problem("source " + id + ": accessor count x stride is not its value count");
        sources[id] = s;
    }

    void readPrimitive(const TiXmlElement* e, std::vector<Primitive>& out, const std::string& geometry)
    {
        Primitive prim;
        prim.material = attribute(e, "material");
        prim.polylist = std::string(e->Value()) == "polylist";
        prim.count = std::atoi(attribute(e, "count").c_str());
        struct Input {
            std::string semantic;
            const Source* source;
            int offset;
        };
        std::vector<Input> inputs;
        std::vector<int> p;
        int perVertex = 0;
        for (const TiXmlElement* c = e->FirstChildElement(); c; c = c->NextSiblingElement()) {
            std::string tag = c->Value();
            if (tag == "input") {
                std::string semantic = attribute(c, "semantic");
                std::string id = strip(attribute(c, "source"));
                if (c->Attribute("set"))
                    problem(geometry + ": input with a set attribute");
                if (semantic == "VERTEX")
                    id = vertices.count(id) ? vertices[id] : "";
                const Source* s = sources.count(id) ? &sources[id] : nullptr;
                if (!s)
                    problem(geometry + ": input source " + attribute(c, "source") + " not found");
                int offset = std::atoi(attribute(c, "offset").c_str());
                perVertex = std::max(perVertex, offset + 1);
                static const std::map<std::string, int> strides = {
                    {"VERTEX", 3}, {"NORMAL", 3}, {"TEXCOORD", 2}, {"COLOR", 4}};
                if (!strides.count(semantic))
                    problem(geometry + ": input semantic " + semantic + " not drawn");
                else if (s && s->stride != strides.at(semantic))
                    problem(geometry + ": " + semantic + " source stride is not " +
                            std::to_string(strides.at(semantic)));
                inputs.push_back({semantic, s, offset});
                prim.semantics.push_back(semantic);
            } else if (tag == "p") {
                for (float v : floats(c))
                    p.push_back(static_cast<int>(v));
            } else if (tag == "vcount") {
                std::vector<float> counts = floats(c);
                if (static_cast<int>(counts.size()) != prim.count)
                    problem(geometry + ": vcount length is not the polylist count");
                for (float n : counts)
                    if (n != 3)
                        problem(geometry + ": polylist polygon that is not a triangle");
            } else {
                problem(geometry + ": unexpected element " + tag + " in a primitive group");
            }
        }
        if (perVertex == 0 || static_cast<int>(p.size()) != prim.count * 3 * perVertex) {
            problem(geometry + ": <p> does not hold count x 3 index tuples");
            return;
        }
        for (size_t k = 0; k < p.size(); k += perVertex)
            for (const Input& in : inputs) {
                if (!in.source)
                    continue;
                int index = p[k + in.offset];
                if (index < 0 || index >= in.source->count) {
                    problem(geometry + ": index outside its source");
                    return;
                }
                const float* v = &in.source->floats[static_cast<size_t>(index) * in.source->stride];
                std::vector<float>& target = in.semantic == "VERTEX"     ? prim.positions
                                             : in.semantic == "NORMAL"   ? prim.normals
                                             : in.semantic == "TEXCOORD" ? prim.texcoords
                                                                         : prim.colours;
                target.insert(target.end(), v, v + in.source->stride);
            }
        out.push_back(prim);
    }

    void readGeometry(const TiXmlElement* g)
    {
        std::string id = attribute(g, "id");
        const TiXmlElement* mesh = g->FirstChildElement("mesh");
        if (!mesh) {
            problem("geometry " + id + " without a mesh");
            return;
        }
        std::vector<Primitive>& prims = doc.geometries[id];
        for (const TiXmlElement* c = mesh->FirstChildElement(); c; c = c->NextSiblingElement()) {
            std::string tag = c->Value();
            if (tag == "source") {
                readSource(c);
            } else if (tag == "vertices") {
                const TiXmlElement* input = c->FirstChildElement("input");
                if (!input || attribute(input, "semantic") != "POSITION")
                    problem(id + ": vertices without a POSITION input");
                else
                    vertices[attribute(c, "id")] = strip(attribute(input, "source"));
            } else if (tag == "triangles" || tag == "polylist") {
                readPrimitive(c, prims, id);
            } else {
                problem(id + ": unexpected mesh element " + tag);
            }
        }
        if (prims.empty())
            problem("geometry " + id + " without primitive groups");
    }

    void readAnimation(const TiXmlElement* a, int depth)
    {
        TrackData track;
        track.id = attribute(a, "id");
        track.depth = depth;
        std::map<std::string, std::string> roles;
        for (const TiXmlElement* c = a->FirstChildElement(); c; c = c->NextSiblingElement()) {
            std::string tag = c->Value();
            if (tag == "source") {
                readSource(c);
            } else if (tag == "sampler") {
                for (const TiXmlElement* in = c->FirstChildElement("input"); in; in = in->NextSiblingElement("input"))
                    roles[attribute(in, "semantic")] = strip(attribute(in, "source"));
            } else if (tag == "channel") {
                track.target = attribute(c, "target");
            }
        }
        auto values = [&](const char* role) -> const Source* {
            auto found = roles.find(role);
            return found != roles.end() && sources.count(found->second) ? &sources[found->second] : nullptr;
        };
        if (const Source* s = values("INPUT"))
            track.times = s->floats;
        if (const Source* s = values("OUTPUT"))
            track.values = s->floats;
        if (const Source* s = values("INTERPOLATION"))
            track.interpolations = s->names;
        if (const Source* s = values("IN_TANGENT"))
            track.inTangents = s->floats;
        if (const Source* s = values("OUT_TANGENT"))
            track.outTangents = s->floats;
        doc.tracks.push_back(track);
        for (const TiXmlElement* c = a->FirstChildElement("animation"); c; c = c->NextSiblingElement("animation"))
            readAnimation(c, depth + 1);
    }

    void readNode(const TiXmlElement* e, const NodeData* parent)
    {
        NodeData n;
        n.id = attribute(e, "id");
        n.name = attribute(e, "name");
        n.parent = parent ? parent->id : "";
        for (const TiXmlElement* c = e->FirstChildElement(); c; c = c->NextSiblingElement()) {
            std::string tag = c->Value();
            std::vector<float> v = floats(c);
            skene::Mat4 t;
            if (tag == "matrix" || tag == "rotate" || tag == "scale" || tag == "translate") {
                size_t need = tag == "matrix" ? 16 : (tag == "rotate" ? 4 : 3);
                if (v.size() != need) {
                    problem(n.id + ": " + tag + " with " + std::to_string(v.size()) + " values");
                    continue;
                }
                if (c->Attribute("sid"))
                    n.transformSids.push_back(attribute(c, "sid"));
            }
            if (tag == "matrix") {
                for (int row = 0; row < 4; ++row)
                    for (int col = 0; col < 4; ++col)
                        t.m[col * 4 + row] = v[row * 4 + col];
            } else if (tag == "rotate") {
                if (v[3] > 0.001f || v[3] < -0.001f)
                    t = skene::Mat4::rotation(-v[3] * 0.0174532924f, {v[0], v[1], v[2]});
            } else if (tag == "scale") {
                t = skene::Mat4::scaling({v[0], v[1], v[2]});
            } else if (tag == "translate") {
                t = skene::Mat4::translation({v[0], v[1], v[2]});
            } else if (tag == "instance_geometry") {
                if (!n.geometry.empty())
                    problem(n.id + ": a second geometry instance (the loader draws only the first)");
                n.geometry = strip(attribute(c, "url"));
                for (const TiXmlElement* bm = c->FirstChildElement("bind_material"); bm; bm = nullptr)
                    for (const TiXmlElement* tc = bm->FirstChildElement("technique_common"); tc; tc = nullptr)
                        for (const TiXmlElement* im = tc->FirstChildElement("instance_material"); im;
                             im = im->NextSiblingElement("instance_material"))
                            n.boundMaterials.push_back(attribute(im, "symbol"));
            } else if (tag == "instance_camera") {
                n.camera = strip(attribute(c, "url"));
            } else if (tag == "instance_light") {
                n.light = strip(attribute(c, "url"));
            } else if (tag != "node") {
                problem(n.id + ": unexpected node element " + tag);
            }
            n.local = n.local * t;
        }
        n.world = parent ? parent->world * n.local : n.local;
        doc.nodes.push_back(n);
        NodeData self = n;
        for (const TiXmlElement* c = e->FirstChildElement("node"); c; c = c->NextSiblingElement("node"))
            readNode(c, &self);
    }
};

} // namespace

const NodeData* Document::node(const std::string& id) const
{
    for (const NodeData& n : nodes)
        if (n.id == id)
            return &n;
    return nullptr;
}

std::vector<skene::Vec3> Document::worldTriangles() const
{
    std::vector<skene::Vec3> corners;
    for (const NodeData& n : nodes) {
        auto found = geometries.find(n.geometry);
        if (found == geometries.end())
            continue;
        for (const Primitive& prim : found->second)
            for (size_t i = 0; i < prim.vertexCount(); ++i)
                corners.push_back(
                    n.world.point({prim.positions[3 * i], prim.positions[3 * i + 1], prim.positions[3 * i + 2]}));
    }
    return corners;
}

bool readDocument(const std::string& path, Document& doc)
{
    TiXmlDocument xml;
    if (!xml.LoadFile(path.c_str())) {
        doc.problems.push_back("cannot parse " + path + ": " + xml.ErrorDesc());
        return false;
    }
    const TiXmlElement* root = xml.FirstChildElement("COLLADA");
    if (!root) {
        doc.problems.push_back("no COLLADA root");
        return false;
    }
    Reader r{doc, {}, {}, {}};
    r.collectIds(root->FirstChildElement());
    for (const TiXmlElement* lib = root->FirstChildElement(); lib; lib = lib->NextSiblingElement()) {
        std::string tag = lib->Value();
        for (const TiXmlElement* c = lib->FirstChildElement(); c; c = c->NextSiblingElement()) {
            if (tag == "library_geometries")
                r.readGeometry(c);
            else if (tag == "library_animations")
                r.readAnimation(c, 0);
            else if (tag == "library_cameras")
                doc.cameras.insert(Reader::attribute(c, "id"));
            else if (tag == "library_lights")
                doc.lights.insert(Reader::attribute(c, "id"));
            else if (tag == "library_visual_scenes")
                for (const TiXmlElement* n = c->FirstChildElement("node"); n; n = n->NextSiblingElement("node"))
                    r.readNode(n, nullptr);
        }
    }
    return true;
}

} // namespace skenetest
