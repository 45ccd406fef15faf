// collada_semantics.h - the vertex input semantics the loader knows, and their vertex arrays.
#pragma once

// Integer codes; the semantic strings map to them exactly (case-sensitive).
enum VertexSemantic {
    SEMANTIC_UNKNOWN = 0, // any string not listed
    SEMANTIC_POSITION = 1, // "POSITION", "VERTEX"
    SEMANTIC_NORMAL = 2, // "NORMAL"
    SEMANTIC_COLOR = 3, // "COLOR"
    SEMANTIC_TEXCOORD0 = 4, // "TEXCOORD", "TEXCOORD0"
    SEMANTIC_TEXCOORD7 = 11, // "TEXCOORD1" .. "TEXCOORD7" are 5 .. 11
    SEMANTIC_TEXTANGENT = 12,
    SEMANTIC_TEXBINORMAL = 13,
    SEMANTIC_NOT_GIVEN = 14, // the input had no semantic attribute
};

VertexSemantic vertexSemanticFromString(const char* text);
// Floats per vertex: 3 position, 3 normal, 4 colour, 2 texture coordinates, 0 for the rest.
int semanticComponents(VertexSemantic semantic);
// The GL client array a semantic feeds (GL_VERTEX_ARRAY ...), 0 for none.
unsigned semanticClientArray(VertexSemantic semantic);
