// What the settings window decides before it draws anything: whether the
// choices can be changed, what each choice starts, and what Apply writes.
#include "monitor_fixture.h"

#include "settings_state.h"

namespace {

using hxtest::RegisterApplication;
using hxtest::RegisterEventApplication;
using hxtest::WorldTest;

using Lines = std::vector<std::string>;

const std::string kCameraKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0001";

std::string LaunchValue(const std::string& event, const std::string& name) {
    return event + "\\\"LaunchApplications\" = 1:" + name + "\\x00";
}

class SettingsTest : public WorldTest {
protected:
    void TearDown() override {
        FreeSettingsState(&state_);
        EXPECT_EQ(hxsim::HandleMisuse(), std::vector<std::string>{});
        hxsim::ClearFaults();
    }
    void Read() { ReadSettingsState(&state_); }
    LPARAM Item(const char* name) { return ItemNamed(&state_, name, ITEM_UNUSABLE); }
    Lines Events() { return hxsim::RegistryTree(kCameraKey + "\\Events"); }

    SettingsState state_{};
};

TEST_F(SettingsTest, ChoicesCanBeChangedOnlyUnderADriverKeyThatOpens) {
    Read();
    EXPECT_FALSE(ChoicesWritable(&state_));
    EXPECT_STREQ(WhyNotWritable(&state_),
                 "With no camera present there is nowhere to write a choice, so the choices "
                 "cannot be changed until the camera is plugged in.");

    hxsim::AddDevice(hxsim::CameraDesc(1));
    hxsim::DeleteKey(kCameraKey);
    Read();
    EXPECT_TRUE(state_.camera.camera.present);
    EXPECT_FALSE(ChoicesWritable(&state_));
    EXPECT_STREQ(WhyNotWritable(&state_),
                 "The camera's driver key does not open, so the choices cannot be changed: every "
                 "event starts its default program. Reinstall the camera's driver.");

    hxsim::CreateKey(kCameraKey);
    Read();
    EXPECT_TRUE(ChoicesWritable(&state_));
    EXPECT_EQ(WhyNotWritable(&state_), nullptr);
}

// The window shows what a choice would start before Apply, and Apply writes
// only the events whose choice changed; a write that fails part-way leaves
// the registry as it was.
TEST_F(SettingsTest, ApplyWritesWhatWasChosenAndNothingElse) {
    hxsim::AddDevice(hxsim::CameraDesc(1));
    RegisterApplication("Viewer", "C:\\Apps\\viewer.exe /v");
    RegisterApplication("Long", "C:\\Apps\\" + std::string(260, 'l') + ".exe");
    RegisterEventApplication(kCameraKey, "NewPicture", "Nobody");
    Read();
    ASSERT_TRUE(ChoicesWritable(&state_));
    EXPECT_EQ(KindOfChoice(&state_, NewPicture), CHOICE_UNUSABLE);
    EXPECT_EQ(SavedItem(&state_, NewPicture), ITEM_UNUSABLE);

    char command[MAX_PATH];
    EXPECT_EQ(ItemCommand(&state_, SnapButton, ITEM_DEFAULT, command), 1);
    EXPECT_STREQ(command, "hxAMCap.exe");
    EXPECT_EQ(ItemCommand(&state_, SnapButton, Item("viewer"), command), 0);
    EXPECT_STREQ(command, "C:\\Apps\\viewer.exe /v");
    EXPECT_EQ(ItemCommand(&state_, NewPicture, Item("Long"), command), 0);
    EXPECT_STREQ(command, "hxCap.exe") << "a command the monitor cannot read starts the default";
    EXPECT_EQ(ItemCommand(&state_, NewPicture, ITEM_UNUSABLE, command), 1);
    EXPECT_STREQ(command, "hxCap.exe");

    char message[SAY_LINE];
    const LPARAM snapViewer[EVENT_COUNT] = {Item("Viewer"), ITEM_UNUSABLE};
    ASSERT_EQ(ApplyChoices(&state_, snapViewer, message), 1);
    EXPECT_STREQ(message, "Saved. The monitor uses the new choice at the next press.");
    EXPECT_EQ(Events(), (Lines{"NewPicture\\", LaunchValue("NewPicture", "Nobody"),
                               "SnapButton\\", LaunchValue("SnapButton", "Viewer")}));
    EXPECT_EQ(SavedItem(&state_, SnapButton), Item("Viewer")) << "read anew after Apply";

    hxsim::FailCall("RegSetValueExA", ERROR_ACCESS_DENIED, 1);
    const LPARAM both[EVENT_COUNT] = {ITEM_DEFAULT, Item("Viewer")};
    EXPECT_EQ(ApplyChoices(&state_, both, message), 0);
    EXPECT_STREQ(message, "The camera's driver key cannot be changed without administrator "
                          "rights. Nothing was changed.");
    EXPECT_EQ(Events(), (Lines{"NewPicture\\", LaunchValue("NewPicture", "Nobody"),
                               "SnapButton\\", LaunchValue("SnapButton", "Viewer")}));
}

}  // namespace
