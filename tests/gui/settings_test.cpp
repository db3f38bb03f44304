// The builder's settings in the per-user store: shown at start, written back
// once at close.
#include "Fixture.h"

namespace gui {
namespace {

class SettingsTest : public AppTest {
protected:
    void StartNamed(std::vector<const char*> libraries = { "KP6600HidDriver.dll", "PicMill.dll", "TuneMill.dll" })
    {
        StartWith(libraries);
    }

    void PutInt(const char* section, const char* name, DWORD value)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, (m_storeKey + "\\" + section).c_str(), 0, nullptr, 0,
                                                   KEY_WRITE, nullptr, &key, nullptr));
        ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
        ::RegCloseKey(key);
    }

    void PutText(const char* section, const char* name, const std::string& value)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, (m_storeKey + "\\" + section).c_str(), 0, nullptr, 0,
                                                   KEY_WRITE, nullptr, &key, nullptr));
        ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
        ::RegCloseKey(key);
    }

    // The stored number, or -12345 when there is none.
    long long Int(const char* section, const char* name)
    {
        DWORD value = 0, size = sizeof(value), type = 0;
        if (::RegGetValueA(HKEY_CURRENT_USER, (m_storeKey + "\\" + section).c_str(), name, RRF_RT_REG_DWORD, &type, &value,
                           &size) != ERROR_SUCCESS)
            return -12345;
        return static_cast<int>(value);
    }

    // The stored text, or "<none>".
    std::string Text(const char* section, const char* name)
    {
        char value[1024] = {};
        DWORD size = sizeof(value), type = 0;
        if (::RegGetValueA(HKEY_CURRENT_USER, (m_storeKey + "\\" + section).c_str(), name, RRF_RT_REG_SZ, &type, value,
                           &size) != ERROR_SUCCESS)
            return "<none>";
        return value;
    }

    bool Checked(int id) { return ::SendMessageW(m_app.Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
};

TEST_F(SettingsTest, EmptyStoreShowsTheDefaultsAndWritesThemBack)
{
    StartNamed();
    EXPECT_EQ(0, m_app.ComboSelection(1028));
    EXPECT_EQ(0, m_app.ComboSelection(1017));
    EXPECT_EQ(L"8000", m_app.Text(1025));
    EXPECT_EQ(L"6144000", m_app.Text(1027));
    EXPECT_EQ(L"(255, 255, 255)", m_app.Text(1007));
    EXPECT_EQ(L"00000000", m_app.Text(1026));
    EXPECT_EQ(L"00000000", m_app.Text(1023));
    EXPECT_TRUE(Checked(1008));
    EXPECT_FALSE(Checked(1009));
    EXPECT_FALSE(Checked(1010));
    EXPECT_TRUE(ListItems(1012).empty());
    EXPECT_TRUE(ListItems(1001).empty());
    Close();

    EXPECT_EQ("APM", Text("Optional", "Speech Format"));
    EXPECT_EQ(8000, Int("Optional", "Sample Rate"));
    EXPECT_EQ(6144000, Int("Optional", "System Clock"));
    EXPECT_EQ(0xFFFFFF, Int("Optional", "Background Color"));
    EXPECT_EQ(0, Int("Optional", "Audio Start Address"));
    EXPECT_EQ(0, Int("Optional", "Image Start Address"));
    EXPECT_EQ(0, Int("Optional", "Flash Type"));
    EXPECT_EQ(0, Int("Audio File List", "Count"));
    EXPECT_EQ(0, Int("Image File List", "Count"));
}

TEST_F(SettingsTest, StoredValuesAreShownAndWrittenBackRenumbered)
{
    PutText("Optional", "Speech Format", "mdm");
    PutInt("Optional", "Sample Rate", 11025);
    PutInt("Optional", "System Clock", 12000000);
    PutInt("Optional", "Background Color", 0x12345678);
    PutInt("Optional", "Audio Start Address", 0x1000);
    PutInt("Optional", "Image Start Address", 0x20);
    PutInt("Optional", "Flash Type", 2);
    PutInt("Audio File List", "Count", 3);
    PutText("Audio File List", "File0", "C:\\a.mp3");
    PutText("Audio File List", "File1", "");
    PutText("Audio File List", "File2", "C:\\c.wav");
    PutInt("Image File List", "Count", -1);
    PutText("Image File List", "File0", "C:\\never.png");
    StartNamed();

    EXPECT_EQ(1, m_app.ComboSelection(1028)) << "mdm selects MDM";
    EXPECT_EQ(L"11025", m_app.Text(1025));
    EXPECT_EQ(L"12000000", m_app.Text(1027));
    EXPECT_EQ(L"(120, 86, 52)", m_app.Text(1007));
    EXPECT_EQ(L"00000000", m_app.Text(1026)) << "downloads always start at 0";
    EXPECT_EQ(L"00000020", m_app.Text(1023));
    EXPECT_FALSE(Checked(1008));
    EXPECT_TRUE(Checked(1010));
    EXPECT_EQ((std::vector<std::wstring>{ L"C:\\a.mp3", L"C:\\c.wav" }), ListItems(1012));
    EXPECT_EQ(0, ::SendMessageW(m_app.Item(1012), LB_GETCURSEL, 0, 0));
    EXPECT_TRUE(ListItems(1001).empty());
    Close();

    EXPECT_EQ("mdm", Text("Optional", "Speech Format")) << "the held text, not the item";
    EXPECT_EQ(11025, Int("Optional", "Sample Rate"));
    EXPECT_EQ(12000000, Int("Optional", "System Clock"));
    EXPECT_EQ(0x345678, Int("Optional", "Background Color"));
    EXPECT_EQ(0, Int("Optional", "Audio Start Address"));
    EXPECT_EQ(0x20, Int("Optional", "Image Start Address"));
    EXPECT_EQ(2, Int("Optional", "Flash Type"));
    EXPECT_EQ(2, Int("Audio File List", "Count"));
    EXPECT_EQ("C:\\a.mp3", Text("Audio File List", "File0"));
    EXPECT_EQ("C:\\c.wav", Text("Audio File List", "File1"));
    EXPECT_EQ("C:\\c.wav", Text("Audio File List", "File2")) << "left in the store, unread";
    EXPECT_EQ(0, Int("Image File List", "Count"));
}

TEST_F(SettingsTest, EditedFieldsAreReadBackAtClose)
{
    PutText("Optional", "Speech Format", "xyz");
    PutInt("Optional", "Flash Type", 7);
    std::string longPath(300, 'p');
    PutInt("Image File List", "Count", 2);
    PutText("Image File List", "File0", longPath);
    PutText("Image File List", "File1", m_dir + "missing.png");
    StartNamed();
    EXPECT_EQ(-1, m_app.ComboSelection(1028)) << "no item begins with xyz";
    EXPECT_FALSE(Checked(1008) || Checked(1009) || Checked(1010));
    EXPECT_EQ(1u, ListItems(1001).size()) << "an entry longer than a path is not loaded";

    m_app.SetText(1025, "22050");
    m_app.SetText(1027, "-5");       // the field keeps its digits only
    m_app.SetText(1026, "0x1f");     // and these theirs: 01F
    m_app.SetText(1023, "00000021"); // odd values are kept all the same
    Close();

    EXPECT_EQ("xyz", Text("Optional", "Speech Format"));
    EXPECT_EQ(22050, Int("Optional", "Sample Rate"));
    EXPECT_EQ(5, Int("Optional", "System Clock"));
    EXPECT_EQ(0x1F, Int("Optional", "Audio Start Address"));
    EXPECT_EQ(0x21, Int("Optional", "Image Start Address"));
    EXPECT_EQ(-1008, Int("Optional", "Flash Type"));
    EXPECT_EQ(1, Int("Image File List", "Count"));
    EXPECT_EQ(m_dir + "missing.png", Text("Image File List", "File0"));
}

TEST_F(SettingsTest, EarlyEndOfInitialisationSavesNothing)
{
    PutInt("Optional", "Sample Rate", 11025);
    PutInt("Audio File List", "Count", 1);
    PutText("Audio File List", "File0", "C:\\kept.mp3");
    StartNamed({ "KP6600HidDriver.dll" });
    ExpectBox(L"Load PicMill.dll failure!!!", L"Error", m_app.Main(), false);
    Close();
    EXPECT_EQ(11025, Int("Optional", "Sample Rate"));
    EXPECT_EQ("<none>", Text("Optional", "Speech Format"));
    EXPECT_EQ(1, Int("Audio File List", "Count"));
    EXPECT_EQ("C:\\kept.mp3", Text("Audio File List", "File0"));
}

}  // namespace
}  // namespace gui
