// skene_materials.cpp - the material values of the scene.
//
// Light falloff: every program divides a light's colour by 1 + (d / lightRange)^2 and sums the
// eight lights through 1 - exp(-sum * lightGain). With the range at 9 units a light keeps nine
// tenths of its strength at 3 units, half at 9, a fifth at 18 and about a tenth at 28: the eight
// lights bunched at the arcade's mouth (a sum near 6) light it fully without bleaching it, the
// flickering grid 25 to 45 units off to the side (a sum near 0.3) still reads as a third of full
// light, and the far end, 60 and more units from the mouth, is left to the ambient, the baked
// occlusion and the baked light of the lanterns and trims.
#include "skene_materials.h"

#include "skene_scene.h"

#include <tinyxml.h>

#include <cstdio>

namespace skene {

const char* const kBindingsFile = "skene.material_bindings.xml";

namespace {

const std::vector<float> kFogColour = {0.045f, 0.055f, 0.1f};

std::vector<MaterialDefinition> buildMaterials()
{
    MaterialDefinition stone;
    stone.key = "skene_stone";
    stone.symbol = "stone";
    stone.program = "skene_stone";
    stone.values = {
        {"albedo", {0.68f, 0.64f, 0.58f}},
        {"ambientSky", {0.32f, 0.34f, 0.42f}},
        {"ambientGround", {0.13f, 0.11f, 0.1f}},
        {"fogColor", kFogColour},
        {"lightRange", {9.0f}},
        {"lightGain", {1.2f}},
        {"bakedGain", {kBakedLightScale}},
        {"occlusionPower", {1.5f}},
        {"shininess", {14.0f}},
        {"specular", {0.15f}},
        {"texScale", {0.5f}},
    };
    stone.textures = {{"stoneMap", "skene_stone.jpg"}};

    MaterialDefinition floor = stone;
    floor.key = "skene_floor";
    floor.symbol = "floor";
    floor.values = {
        {"albedo", {0.56f, 0.54f, 0.5f}},
        {"ambientSky", {0.3f, 0.32f, 0.4f}},
        {"ambientGround", {0.13f, 0.11f, 0.1f}},
        {"fogColor", kFogColour},
        {"lightRange", {9.0f}},
        {"lightGain", {1.2f}},
        {"bakedGain", {kBakedLightScale}},
        {"occlusionPower", {1.8f}},
        {"shininess", {48.0f}},
        {"specular", {0.45f}},
        {"texScale", {0.5f}},
    };
    floor.textures = {{"stoneMap", "skene_tiles.jpg"}};

    MaterialDefinition metal;
    metal.key = "skene_metal";
    metal.symbol = "metal";
    metal.program = "skene_metal";
    metal.values = {
        {"albedo", {0.42f, 0.32f, 0.22f}},
        {"ambientSky", {0.34f, 0.36f, 0.44f}},
        {"ambientGround", {0.12f, 0.1f, 0.09f}},
        {"fogColor", kFogColour},
        {"sheenColor", {0.5f, 0.4f, 0.28f}},
        {"lightRange", {9.0f}},
        {"lightGain", {1.2f}},
        {"bakedGain", {kBakedLightScale}},
        {"occlusionPower", {1.2f}},
        {"shininess", {40.0f}},
        {"specular", {1.2f}},
    };

    MaterialDefinition glow;
    glow.key = "skene_glow";
    glow.symbol = "glow";
    glow.program = "skene_glow";
    glow.values = {
        {"glowColor", {1.0f, 0.6f, 0.24f}},
        {"fogColor", kFogColour},
        {"glowGain", {1.5f}},
        {"fogReach", {0.55f}},
        {"lightRange", {9.0f}},
        {"lightGain", {0.2f}},
    };

    MaterialDefinition portal = glow;
    portal.key = "skene_portal";
    portal.symbol = "portal";
    portal.values = {
        {"glowColor", {0.36f, 0.7f, 1.0f}},
        {"fogColor", kFogColour},
        {"glowGain", {1.45f}},
        {"fogReach", {0.45f}},
        {"lightRange", {9.0f}},
        {"lightGain", {0.15f}},
    };
    return {stone, floor, metal, glow, portal};
}

std::string printed(const TiXmlDocument& doc)
{
    TiXmlPrinter printer;
    printer.SetIndent(" ");
    doc.Accept(&printer);
    return printer.Str();
}

std::string decimal(float v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.4g", static_cast<double>(v));
    return buffer;
}

} // namespace

const std::vector<MaterialDefinition>& sceneMaterials()
{
    static const std::vector<MaterialDefinition> materials = buildMaterials();
    return materials;
}

std::string bindingsText()
{
    TiXmlDocument doc;
    doc.LinkEndChild(new TiXmlDeclaration("1.0", "utf-8", ""));
    TiXmlElement* root = doc.LinkEndChild(new TiXmlElement("MaterialBindings"))->ToElement();
    for (const MaterialDefinition& m : sceneMaterials()) {
        TiXmlElement* binding = root->LinkEndChild(new TiXmlElement("Binding"))->ToElement();
        binding->SetAttribute("MaterialType", m.symbol);
        binding->SetAttribute("Material", m.key);
    }
    return printed(doc);
}

std::string materialFileName(const MaterialDefinition& definition) { return definition.key + ".material.xml"; }

std::string materialText(const MaterialDefinition& definition)
{
    TiXmlDocument doc;
    doc.LinkEndChild(new TiXmlDeclaration("1.0", "utf-8", ""));
    TiXmlElement* root = doc.LinkEndChild(new TiXmlElement("Material"))->ToElement();
    root->LinkEndChild(new TiXmlElement("Shader"))->ToElement()->SetAttribute("file", definition.program);
    TiXmlElement* parameters = root->LinkEndChild(new TiXmlElement("Parameters"))->ToElement();
    for (const MaterialValue& v : definition.values) {
        TiXmlElement* e = parameters->LinkEndChild(new TiXmlElement("Float"))->ToElement();
        e->SetAttribute("name", v.name);
        for (size_t i = 0; i < v.values.size() && i < 4; ++i)
            e->SetAttribute("Value" + std::to_string(i + 1), decimal(v.values[i]));
    }
    for (const MaterialTexture& t : definition.textures) {
        TiXmlElement* e = parameters->LinkEndChild(new TiXmlElement("Texture"))->ToElement();
        e->SetAttribute("name", t.name);
        e->SetAttribute("file", t.file);
    }
    return printed(doc);
}

} // namespace skene
