// skene_scene.cpp - look-ups over the generator's scene.
#include "skene_scene.h"

#include <stdexcept>

namespace skene {

Group& Geometry::group(const std::string& material, bool polylist)
{
    for (Group& g : groups)
        if (g.material == material && g.polylist == polylist)
            return g;
    groups.push_back(Group());
    groups.back().material = material;
    groups.back().polylist = polylist;
    return groups.back();
}

size_t Geometry::triangleCount() const
{
    size_t n = 0;
    for (const Group& g : groups)
        n += g.triangleCount();
    return n;
}

Geometry& Scene::geometry(const std::string& id)
{
    for (Geometry& g : geometries)
        if (g.id == id)
            return g;
    geometries.push_back(Geometry());
    geometries.back().id = id;
    return geometries.back();
}

size_t Scene::triangleCount() const
{
    size_t n = 0;
    for (const Geometry& g : geometries)
        n += g.triangleCount();
    return n;
}

Mat4 localMatrix(const Node& node)
{
    Mat4 local;
    for (const Transform& t : node.transforms) {
        const std::vector<float>& v = t.values;
        Mat4 step;
        switch (t.kind) {
        case Transform::Matrix:
            if (v.size() != 16)
                throw std::runtime_error("matrix transformation of node " + node.id + " needs 16 values");
            for (int row = 0; row < 4; ++row)
                for (int col = 0; col < 4; ++col)
                    step.m[col * 4 + row] = v[row * 4 + col];
            break;
        case Transform::Rotate:
            if (v.size() != 4)
                throw std::runtime_error("rotate transformation of node " + node.id + " needs 4 values");
            if (v[3] > 0.001f || v[3] < -0.001f)
                step = Mat4::rotation(-v[3] * 0.0174532924f, {v[0], v[1], v[2]});
            break;
        case Transform::Scale:
            if (v.size() != 3)
                throw std::runtime_error("scale transformation of node " + node.id + " needs 3 values");
            step = Mat4::scaling({v[0], v[1], v[2]});
            break;
        case Transform::Translate:
            if (v.size() != 3)
                throw std::runtime_error("translate transformation of node " + node.id + " needs 3 values");
            step = Mat4::translation({v[0], v[1], v[2]});
            break;
        }
        local = local * step;
    }
    return local;
}

} // namespace skene
