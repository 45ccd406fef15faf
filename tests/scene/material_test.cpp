// Materials and the SceneManager without GL: the exits for missing files, and what stays safe
// without a program or an instance. (Applying materials and loading them: scene_gl_test.cpp.)
#include "scene_test_support.h"

#include "scene/material.h"
#include "scene/scene_manager.h"

#include <gtest/gtest.h>

TEST(MaterialDeathTest, MissingMaterialFileShowsABoxCaptionedWithItsNameAndEndsWithExitCodeOne)
{
    EXPECT_EXIT(
        {
            scenetest::ignoreLeaksFromHere();
            Material material;
            material.load("gone.material.xml");
        },
        ::testing::ExitedWithCode(1), "\\[box\\] gone.material.xml: Could not find file:");
}

TEST(MaterialDeathTest, MissingBindingsFileShowsABoxAndEndsWithExitCodeOne)
{
    EXPECT_EXIT(
        {
            scenetest::ignoreLeaksFromHere();
            bindMaterials(nullptr, nullptr, nullptr, "gone.material_bindings.xml", nullptr);
        },
        ::testing::ExitedWithCode(1),
        "\\[box\\] Error: Could not find material binding file: 'gone.material_bindings.xml'");
}

namespace {
int calls = 0;
void countCall(Material*)
{
    ++calls;
}
} // namespace

TEST(Material, WithoutProgramOnlyItsCallbackRuns)
{
    Material material;
    EXPECT_EQ(material.name, "temp");
    material.setCallback(countCall);
    material.apply();
    material.release();
    EXPECT_EQ(calls, 1);
}

TEST(SceneManager, OneInstanceAtATimeAndReleaseIsSafeWithoutOne)
{
    ASSERT_EQ(sceneManager, nullptr);
    SceneManager::release();
    scenetest::LogWatch log;
    SceneManager* first = SceneManager::create();
    EXPECT_EQ(sceneManager, first);
    EXPECT_EQ(log.count("SceneManager::create(): SceneManager instance created\n"), 1);
    try {
        SceneManager::create();
        ADD_FAILURE() << "a second instance was made";
    } catch (const char* text) {
        EXPECT_STREQ(text, "One instance of class SceneManager already running");
    }
    EXPECT_EQ(sceneManager, first);
    first->materials.add("m", new Material);
    SceneManager::release();
    EXPECT_EQ(sceneManager, nullptr);
    SceneManager* second = SceneManager::create();
    EXPECT_EQ(second->materials.size(), 0u) << "a new instance after the release";
    SceneManager::release();
}
