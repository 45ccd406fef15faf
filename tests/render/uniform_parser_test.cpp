// The uniform-declaration scan: a pure function over source text.
#include "render_test_support.h"

#include "render/shader_manager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

using BRAVIK_LUMENVAT::Array;

namespace {

struct Parsed {
    Array<ShaderUniform*> uniforms;
    ~Parsed()
    {
        for (unsigned i = 0; i < uniforms.size(); ++i) {
            std::free(uniforms.get(i)->name);
            std::free(uniforms.get(i)->textureName);
            delete uniforms.get(i);
        }
    }
    unsigned size() const { return uniforms.size(); }
    const ShaderUniform& operator[](unsigned i) const { return *uniforms.get(i); }
    std::string names() const
    {
        std::string joined;
        for (unsigned i = 0; i < uniforms.size(); ++i)
            joined += (i ? "," : "") + std::string(uniforms.get(i)->name);
        return joined;
    }
};

std::unique_ptr<Parsed> parse(const char* source)
{
    auto parsed = std::make_unique<Parsed>();
    parseUniformDeclarations(source, parsed->uniforms);
    return parsed;
}

void expectValues(const ShaderUniform& u, float a, float b, float c, float d)
{
    ASSERT_EQ(u.values.size(), 4u);
    EXPECT_FLOAT_EQ(u.values.get(0), a);
    EXPECT_FLOAT_EQ(u.values.get(1), b);
    EXPECT_FLOAT_EQ(u.values.get(2), c);
    EXPECT_FLOAT_EQ(u.values.get(3), d);
}

} // namespace

TEST(UniformScan, AnAnnotationGluedToTheNameGivesItsRangeAndTheMidpoint)
{
    auto p = parse("uniform vec3 lightDir/*-1.24____168912.3*/;");
    ASSERT_EQ(p->size(), 1u);
    EXPECT_STREQ((*p)[0].name, "lightDir");
    EXPECT_EQ((*p)[0].type, UNIFORM_VEC3);
    EXPECT_FLOAT_EQ((*p)[0].min, -1.24f);
    EXPECT_FLOAT_EQ((*p)[0].max, 168912.3f);
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ((*p)[0].values.get(i), 84455.53125f) << i;
    EXPECT_EQ((*p)[0].textureName, nullptr);
    EXPECT_FALSE((*p)[0].isCameraUniform);
}

TEST(UniformScan, WithoutAnnotationTheRangeIsZeroToOneAndTheTypesComponentsAreOne)
{
    auto p = parse("uniform float a;uniform vec2 b;uniform vec3 c;uniform vec4 d;");
    ASSERT_EQ(p->size(), 4u);
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_EQ((*p)[i].min, 0.0f);
        EXPECT_EQ((*p)[i].max, 1.0f);
    }
    expectValues((*p)[0], 1, 0, 0, 0);
    expectValues((*p)[1], 1, 1, 0, 0);
    expectValues((*p)[2], 1, 1, 1, 0);
    expectValues((*p)[3], 1, 1, 1, 1);
}

TEST(UniformScan, ASingleNumberAnnotationIsTheMaximumFromZero)
{
    auto p = parse("uniform vec2 size /*5*/;");
    ASSERT_EQ(p->size(), 1u);
    EXPECT_STREQ((*p)[0].name, "size");
    EXPECT_EQ((*p)[0].min, 0.0f);
    EXPECT_EQ((*p)[0].max, 5.0f);
    expectValues((*p)[0], 2.5f, 2.5f, 2.5f, 2.5f);
}

TEST(UniformScan, AnAnnotationTrimsTrailingDigitsAndMarksFromTheName)
{
    auto p = parse("uniform float tex0 /*0_1*/;uniform float _1.5 /*2*/;uniform float level2 a/b;uniform float tex0;");
    ASSERT_EQ(p->size(), 4u);
    EXPECT_STREQ((*p)[0].name, "tex");
    expectValues((*p)[0], 0.5f, 0.5f, 0.5f, 0.5f);
    EXPECT_STREQ((*p)[1].name, ""); // nothing but trimmed characters
    // Two parts are no range, but the name is still trimmed and the defaults stay.
    EXPECT_STREQ((*p)[2].name, "level");
    EXPECT_EQ((*p)[2].max, 1.0f);
    expectValues((*p)[2], 1, 0, 0, 0);
    // Without an annotation a trailing digit stays.
    EXPECT_STREQ((*p)[3].name, "tex0");
}

TEST(UniformScan, SamplersHaveNoDefaultsAndOtherTypesFillOneComponent)
{
    auto p = parse("uniform sampler2D tex;uniform samplerCube sky;uniform mat4 m;uniform int times;"
                   "uniform sampler2DShadow shadowMap;");
    ASSERT_EQ(p->size(), 5u);
    EXPECT_EQ((*p)[0].type, UNIFORM_SAMPLER2D);
    expectValues((*p)[0], 0, 0, 0, 0);
    EXPECT_EQ((*p)[1].type, UNIFORM_SAMPLERCUBE);
    expectValues((*p)[1], 0, 0, 0, 0);
    EXPECT_EQ((*p)[2].type, UNIFORM_OTHER);
    expectValues((*p)[2], 1, 0, 0, 0);
    EXPECT_EQ((*p)[3].type, UNIFORM_OTHER);
    EXPECT_EQ((*p)[4].type, UNIFORM_OTHER);
}

TEST(UniformScan, CommentedDeclarationsAreSkippedButATrailingCommentIsAnEmptyRange)
{
    auto p = parse("// uniform float a;//uniform float b;/*uniform float c;uniform float d // old value;");
    ASSERT_EQ(p->size(), 1u);
    EXPECT_STREQ((*p)[0].name, "d");
    EXPECT_EQ((*p)[0].min, 0.0f);
    EXPECT_EQ((*p)[0].max, 0.0f);
    expectValues((*p)[0], 0, 0, 0, 0);
}

TEST(UniformScan, OnlyAStatementStartingWithTheWordUniformCounts)
{
    auto p = parse("#version 120\nuniform float strength;   uniform float savy;\tuniform float tabbed;"
                   "\nuniform float broken;varying vec2 uniformity;uniform   float   spaced;");
    EXPECT_EQ(p->names(), "tabbed,broken,spaced");
}

TEST(UniformScan, TheScanEndsAtTheFirstStatementStartingWithVoid)
{
    auto p = parse("uniform float a;void main(){ gl_FragColor = vec4(a);};uniform float b;");
    EXPECT_EQ(p->names(), "a");
    // Inside a statement (not its first word) "void" does not stop anything.
    EXPECT_EQ(parse("uniform float c; void f();uniform float d;")->names(), "c,d");
}

TEST(UniformScan, LineBreaksAndTabsStayGluedToTheirWords)
{
    auto p = parse("uniform float alpha\n;uniform\tfloat beta;");
    // "uniform\tfloat" is one word, so "beta" is taken as the type and no name follows.
    ASSERT_EQ(p->size(), 1u);
    EXPECT_STREQ((*p)[0].name, "alpha\n");
}

TEST(UniformScan, ADeclarationCutShortAddsNothing)
{
    EXPECT_EQ(parse("uniform float;uniform;uniform   ;")->size(), 0u);
    EXPECT_EQ(parse("")->size(), 0u);
    EXPECT_EQ(parse(nullptr)->size(), 0u);
}

TEST(UniformScan, CameraUniformsAreRecognisedByExactName)
{
    auto p = parse("uniform vec3 camPos;uniform vec3 camDir;uniform vec3 camTarget;uniform vec3 camUp;"
                   "uniform vec3 campos;uniform vec3 camPosition;uniform float camUp;");
    ASSERT_EQ(p->size(), 7u);
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_TRUE((*p)[i].isCameraUniform) << i;
    EXPECT_FALSE((*p)[4].isCameraUniform);
    EXPECT_FALSE((*p)[5].isCameraUniform);
    EXPECT_TRUE((*p)[6].isCameraUniform); // any type; only vec3 ones are refreshed on bind
}

TEST(UniformScan, ABoundBeyondFloatIsInfiniteAndLogged)
{
    rendertest::useTestLog();
    rendertest::LogMark mark;
    auto p = parse("uniform float huge /*1e39*/;uniform float both /*1e39_1e40*/;");
    ASSERT_EQ(p->size(), 2u);
    EXPECT_TRUE(std::isinf((*p)[0].max));
    EXPECT_EQ((*p)[0].min, 0.0f);
    EXPECT_TRUE(std::isinf((*p)[1].min));
    EXPECT_EQ(mark.since(), "Parsing uniform maximum resulted in HUGE_VAL for uniform name: huge"
                            "Parsing uniform maximum resulted in HUGE_VAL for uniform name: both"
                            "Parsing uniform minimum resulted in HUGE_VAL for uniform name: both");
}

TEST(UniformScan, AppendsInSourceOrderKeepingRepeatedNames)
{
    Parsed parsed;
    parseUniformDeclarations("uniform float time;uniform sampler2D tex;", parsed.uniforms);
    parseUniformDeclarations("uniform float time;", parsed.uniforms);
    EXPECT_EQ(parsed.names(), "time,tex,time");
}

TEST(ShaderUniformClone, CopiesEverythingWithItsOwnStrings)
{
    auto p = parse("uniform vec4 tint /*0.5_2*/;");
    ShaderUniform& original = *p->uniforms.get(0);
    original.textureName = strdup("anim0.jpg");
    original.isCameraUniform = true;
    std::unique_ptr<ShaderUniform> copy(original.clone());
    EXPECT_STREQ(copy->name, "tint");
    EXPECT_NE(copy->name, original.name);
    EXPECT_STREQ(copy->textureName, "anim0.jpg");
    EXPECT_NE(copy->textureName, original.textureName);
    EXPECT_EQ(copy->type, UNIFORM_VEC4);
    EXPECT_EQ(copy->min, 0.5f);
    EXPECT_EQ(copy->max, 2.0f);
    expectValues(*copy, 1.25f, 1.25f, 1.25f, 1.25f);
    EXPECT_TRUE(copy->isCameraUniform);
    copy->values.set(0, 9);
    EXPECT_EQ(original.values.get(0), 1.25f);
    std::free(copy->name);
    std::free(copy->textureName);
}
