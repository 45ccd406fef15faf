// scene_test_support.h - what the scene tests share: a quiet engine whose log they can read, small
// COLLADA documents from text, and a way for forked children to end without a leak report.
#pragma once

#include "scene/collada.h"

#include <string>

namespace scenetest {

// The engine's log lines written since construction (boxes appear as "[box] caption: text").
class LogWatch {
public:
    LogWatch();
    std::string text() const;
    // How many times `needle` occurs in the lines since construction.
    int count(const std::string& needle) const;

private:
    long mark;
};

// Parses `body` wrapped in a COLLADA root element, as the loader reads an archive file.
ColladaDocument* readBody(const std::string& body);
// The geometry library of one mesh with one float source "pos" (x y z per vertex) and `content`
// after it (vertices, primitive groups ...).
std::string meshBody(const std::string& positions, const std::string& content);
// A file of tests/scene/documents.
std::string documentText(const std::string& name);

// For a forked child that leaves through exit(): objects it still holds are not reported as leaks
// by the sanitizer build.
void ignoreLeaksFromHere();

} // namespace scenetest
