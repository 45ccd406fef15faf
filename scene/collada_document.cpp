// collada_document.cpp - loading a COLLADA document: the text from the archive, the TinyXML parse,
// the dispatch of the top-level libraries, the loader's messages and the list readers.
//
// The list readers rely on TinyXML's default whitespace condensing (runs of white space become one
// space, the ends are trimmed). Numbers convert as atof and atoi do, without the locale: a
// decimal point is always '.'.
#include "scene/collada_local.h"
#include "scene/xml_depth.h"

#include "engine_api.h"

#include <charconv>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

using namespace BRAVIK_LUMENVAT;

namespace {

const size_t TOKEN_LIMIT = 1023;

bool isSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

float tokenToFloat(const char* begin, const char* end)
{
    float value = 0;
    std::from_chars_result result = std::from_chars(begin, end, value);
    if (result.ec == std::errc() && result.ptr == end)
        return value;
    // Forms from_chars does not take whole ("+1", "1e999", "0x1p3", "12abc"): as atof reads them,
    // through strtod, since the atof of Windows' C library reads no hexadecimal, "inf" or "nan".
    std::string copy(begin, end);
    return static_cast<float>(std::strtod(copy.c_str(), nullptr));
}

// atoi without its undefined overflow: out-of-range values are clamped.
int textToInt(const char* p, const char* end)
{
    while (p < end && isSeparator(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    long long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p)
        if (value <= INT_MAX)
            value = value * 10 + (*p - '0');
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// Calls take(begin, end) for each token of the element's text.
template <typename Take> void forEachToken(const TiXmlElement* element, Take take)
{
    const char* p = element->GetText();
    if (!p)
        return;
    bool longLogged = false;
    for (;;) {
        while (isSeparator(*p))
            ++p;
        if (!*p)
            return;
        const char* begin = p;
        while (*p && !isSeparator(*p))
            ++p;
        if (static_cast<size_t>(p - begin) > TOKEN_LIMIT && !longLogged) {
            colladaWarning("%s: a value of %zu characters was read whole", element->Value(),
                           static_cast<size_t>(p - begin));
            longLogged = true;
        }
        take(begin, p);
    }
}

void dispatchLibrary(ColladaDocument* document, const TiXmlElement* element)
{
    const char* tag = element->Value();
    if (tagIs(element, "library_animations"))
        readAnimationLibrary(document, element);
    else if (tagIs(element, "library_cameras"))
        readCameraLibrary(document, element);
    else if (tagIs(element, "library_geometries"))
        readGeometryLibrary(document, element);
    else if (tagIs(element, "library_lights"))
        readLightLibrary(document, element);
    else if (tagIs(element, "library_visual_scenes"))
        readVisualSceneLibrary(document, element);
    else if (tagIs(element, "asset") || tagIs(element, "library_controllers") || tagIs(element, "library_effects") ||
             tagIs(element, "library_force_fields") || tagIs(element, "library_images") ||
             tagIs(element, "library_materials") || tagIs(element, "library_nodes") ||
             tagIs(element, "library_physics_materials") || tagIs(element, "library_physics_models") ||
             tagIs(element, "library_physics_scenes") || tagIs(element, "scene") || tagIs(element, "extra"))
        colladaIgnored(element);
    else
        rvkMsg(" Unknown type: %s\n", tag);
}

ColladaDocument* parseDocument(const std::string& fileName, const char* text)
{
    if (xmlElementDepth(text) > kMaxXmlDepth) {
        std::string message = std::string("Opening document failed:\n") + xmlTooDeepDescription() + " \n";
        colladaError(message.c_str());
        return nullptr;
    }
    ColladaDocument* document = new ColladaDocument;
    document->fileName = fileName;

    TiXmlDocument xml;
    parseXml(xml, text);
    if (xml.Error()) {
        std::string message = std::string("Opening document failed:\n") + xml.ErrorDesc() + " \n";
        colladaError(message.c_str());
    } else {
        const TiXmlElement* root = xml.FirstChildElement("COLLADA");
        if (!root) {
            colladaError("No \"COLLADA\" root element found \n");
            delete document;
            return nullptr;
        }
        FOR_EACH_CHILD_ELEMENT(child, root)
            dispatchLibrary(document, child);
    }

    if (document->scenes.size() == 0)
        rvkMsg(" Warning: Collada file did not contain a scene element.\n");
    else if (document->scenes.size() > 1)
        rvkMsg(" Warning: Collada file contained multiple scenes.\n");
    rvkMsg(" Loaded meshes: %d\n", static_cast<int>(document->meshes.size()));
    rvkMsg(" Loaded sources: %d\n", static_cast<int>(document->sources.size()));
    rvkMsg("Loading %.200s finished.\n", fileName.c_str());
    return document;
}

} // namespace

void colladaError(const char* text)
{
    rvkMsg(" Error: %s\n", text);
    rvkMessageBox(rvkGetHWND(), text, "Collada loader error.", RVK_MB_TOPMOST);
}

void colladaUnknown(const TiXmlElement* element)
{
    rvkMsg(" Unknown: %s\n", element->Value());
}

void colladaNotSupported(const TiXmlElement* element)
{
    char text[1024];
    std::snprintf(text, sizeof(text), " Not supported: %s\n", element->Value());
    rvkMsg("%s", text);
    rvkMessageBox(rvkGetHWND(), text, "Collada loader error.", RVK_MB_TOPMOST);
    rvkExitProcess(1);
}

void colladaIgnored(const TiXmlElement* element)
{
    rvkMsg(" Ignored: %s\n", element->Value());
}

void colladaWarning(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    rvkMsg(" Warning: %s\n", text);
}

std::string stripHash(const char* reference)
{
    if (!reference)
        return "";
    while (*reference == '#')
        ++reference;
    return reference;
}

bool readIntAttribute(const TiXmlElement* element, const char* name, int& value)
{
    const char* text = element->Attribute(name);
    if (!text)
        return false;
    value = textToInt(text, text + std::strlen(text));
    return true;
}

void readFloatList(const TiXmlElement* element, Array<float>& out)
{
    forEachToken(element, [&](const char* begin, const char* end) { out.items.push_back(tokenToFloat(begin, end)); });
}

void readIntList(const TiXmlElement* element, Array<int>& out)
{
    forEachToken(element, [&](const char* begin, const char* end) { out.items.push_back(textToInt(begin, end)); });
}

void readNameList(const TiXmlElement* element, Array<std::string>& out)
{
    forEachToken(element, [&](const char* begin, const char* end) { out.items.emplace_back(begin, end); });
}

ColladaDocument* loadColladaDocument(std::string fileName)
{
    rvkMsg("Loading collada file %s\n", fileName.c_str());
    const char* text = rvkGetText(fileName.c_str());
    if (!text) {
        std::string message = "Could not find file: '" + fileName + "'";
        rvkMessageBox(rvkGetHWND(), message.c_str(), fileName.c_str(), RVK_MB_TOPMOST);
        rvkExitProcess(1);
    }
    return parseDocument(fileName, text);
}

ColladaDocument* readColladaDocument(const std::string& fileName, const char* text)
{
    rvkMsg("Loading collada file %s\n", fileName.c_str());
    return parseDocument(fileName, text ? text : "");
}

// The containers of the document's elements, exported with the executable's other instantiations.
namespace BRAVIK_LUMENVAT {
template class Array<Mesh::MeshAttribute*>;
template class Array<ObjectNode*>;
template class Array<Mesh::SubMesh*>;
template class Array<Transformation*>;
template class Map<Collada::Animation*>;
template class Map<Collada::Attribute*>;
template class Map<Collada::Camera*>;
template class Map<Collada::Light*>;
template class Map<Mesh*>;
template class Map<ObjectNode*>;
template class Map<Collada::Scene*>;
template class Map<Source*>;
template class Map<Transformation*>;
} // namespace BRAVIK_LUMENVAT
