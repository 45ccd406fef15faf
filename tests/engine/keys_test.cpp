// Keys through the real engine on a window (no capture): a tap shorter than a frame is still seen
// once, a held key is seen on every read, and unknown codes are never pressed. Key events are
// pushed into SDL's queue as the window system would deliver them.
#include "engine_api.h"
#include "test_support.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

using namespace BRAVIK_LUMENVAT;
using namespace testsupport;

namespace {

class Keys : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static std::string log = makeTempDir("keys") + "/log.txt";
        RvkOptions options;
        options.logPath = log.c_str();
        options.boxesToLogOnly = true;
        options.noAudio = true;
        rvkSetOptions(&options);
        rvkInitEx(160, 90, 32, false, true, false, false, 8, 2, "data.pak", 60);
    }
    static void TearDownTestSuite() { rvkShutDown(); }

    void SetUp() override
    {
        if (!rvkGetHWND())
            GTEST_SKIP() << "no display";
        drainMessages();
        for (int key : {RVK_VK_ESCAPE, RVK_VK_F1, RVK_VK_LEFT})
            rvkGetKey(key);
    }

    static void push(Uint32 type, SDL_Scancode code)
    {
        SDL_Event event{};
        event.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.scancode = code;
        SDL_PushEvent(&event);
    }

    // What the main loop does before each frame: take every waiting message.
    static void drainMessages()
    {
        RvkMessage message;
        while (rvkPeekMessage(&message))
            rvkDispatchMessage(&message);
    }
};

} // namespace

TEST_F(Keys, ATapBetweenTwoFramesIsSeenOnce)
{
    push(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE);
    push(SDL_KEYUP, SDL_SCANCODE_ESCAPE);
    drainMessages();
    EXPECT_TRUE(rvkGetKey(RVK_VK_ESCAPE));
    EXPECT_FALSE(rvkGetKey(RVK_VK_ESCAPE)); // the press was read; the key is up
}

TEST_F(Keys, EachKeyRemembersItsOwnPress)
{
    push(SDL_KEYDOWN, SDL_SCANCODE_F1);
    push(SDL_KEYUP, SDL_SCANCODE_F1);
    drainMessages();
    EXPECT_FALSE(rvkGetKey(RVK_VK_ESCAPE));
    EXPECT_FALSE(rvkGetKey(RVK_VK_LEFT));
    EXPECT_TRUE(rvkGetKey(RVK_VK_F1));
}

TEST_F(Keys, UnknownCodesAreNeverPressed)
{
    EXPECT_FALSE(rvkGetKey(0));
    EXPECT_FALSE(rvkGetKey(-5));
    EXPECT_FALSE(rvkGetKey(100000));
}
