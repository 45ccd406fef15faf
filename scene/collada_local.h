// collada_local.h - what the COLLADA readers share: attribute and list helpers, the library
// readers the document dispatch calls, and the loader's warning line. Not for use outside scene/.
#pragma once

#include "engine_api.h"
#include "scene/collada.h"

#include <tinyxml.h>

#include <cstring>
#include <string>

// Iterates the child elements of `parent` in document order.
#define FOR_EACH_CHILD_ELEMENT(child, parent)                                                                          \
    for (const TiXmlElement* child = (parent)->FirstChildElement(); child; child = child->NextSiblingElement())

inline bool tagIs(const TiXmlElement* element, const char* tag)
{
    return std::strcmp(element->Value(), tag) == 0;
}

// A reference without its leading '#' characters ("#" alone gives ""); null gives "".
std::string stripHash(const char* reference);
// The integer value of an attribute as atoi reads it, clamped to int; false when it is absent.
bool readIntAttribute(const TiXmlElement* element, const char* name, int& value);

// Element text as a whitespace-separated list. Tokens of any length are read whole; one longer
// than 1023 characters is logged once per element.
void readFloatList(const TiXmlElement* element, Array<float>& out);
void readIntList(const TiXmlElement* element, Array<int>& out);
void readNameList(const TiXmlElement* element, Array<std::string>& out);

// A loader warning about malformed content that was cut or padded: " Warning: ...\n".
void colladaWarning(const char* format, ...) LUMENVAT_PRINTF(1, 2);

// <source> into the document's sources (geometries and animations alike).
void readSource(ColladaDocument* document, const TiXmlElement* element);

void readGeometryLibrary(ColladaDocument* document, const TiXmlElement* element);
void readCameraLibrary(ColladaDocument* document, const TiXmlElement* element);
void readLightLibrary(ColladaDocument* document, const TiXmlElement* element);
void readAnimationLibrary(ColladaDocument* document, const TiXmlElement* element);
void readVisualSceneLibrary(ColladaDocument* document, const TiXmlElement* element);
