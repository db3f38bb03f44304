// The parts of a dialog, declared by control id.
#include "DialogPart.h"
#include "HostWindow.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(DialogPart, OwnsItsControlsWithTheLabelsJustBeforeThemInTemplateOrder)
{
    HostWindow host(0, 0, 200, 200, false);
    struct Child { const char* kind; int id; } children[] = {
        { "STATIC", -1 }, { "EDIT", 10 }, { "BUTTON", -1 }, { "STATIC", -1 }, { "EDIT", 20 },
        { "BUTTON", 30 }, { "STATIC", -1 },
    };
    std::vector<HWND> made;
    for (const Child& child : children) {
        made.push_back(host.CreateChildA(child.kind, "", 0, child.id, 0, 0, 10, 10));
        // Each after the one before, as the dialog manager places a template's controls.
        ::SetWindowPos(made.back(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }

    const CDialogPart first = { 10, 30 };
    EXPECT_EQ((std::vector<HWND>{ made[0], made[1], made[5] }), first.Windows(host.m_hWnd));
    EXPECT_TRUE(first.HasControl(30));
    EXPECT_FALSE(first.HasControl(20));
    EXPECT_FALSE(first.HasControl(-1));
    const CDialogPart second = { 20 };
    EXPECT_EQ((std::vector<HWND>{ made[2], made[3], made[4] }), second.Windows(host.m_hWnd));
}

}  // namespace
