// The snippet picker: its lists, the texts of its entries with and without
// UV mapping, the parts built from the basic properties, insertion at the
// memo's caret and the deletion of library entries.
#include "PageFixtures.h"
#include "ui/control/Snippets.h"
#include "writers/DeclareLibrary.h"

namespace {

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

class SnippetsTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        FillSnippetLists();
    }
    // The index of `entry` in the list of `page`.
    static int32_t IndexOf(int32_t page, std::string_view entry) {
        const auto& items = SnippetList(page)->items;
        const auto it = std::find(items.begin(), items.end(), entry);
        return it == items.end() ? -1 : static_cast<int32_t>(it - items.begin());
    }
    std::string Text(int32_t page, std::string_view entry, bool uv) { return SnippetText(page, IndexOf(page, entry), uv); }
    // A basic panel with colour, bump and transparency maps that exist.
    void PanelWithMaps() {
        for (const char* name : {"wood.jpg", "bump.tif", "mask.png"}) std::ofstream(dir / name) << "x";
        SetComboText(Form1.ComboBox3, (dir / "wood.jpg").string());
        SetComboText(Form1.ComboBox18, (dir / "bump.tif").string());
        SetComboText(Form1.ComboBox19, (dir / "mask.png").string());
        Form1.Panel7.color = 0xFFFFFF;
        Form1.Panel3.color = 0x000000;
        SetUpDown(Form1.UpDown12, Form1.Edit97, 30);
        SetUpDown(Form1.UpDown13, Form1.Edit108, 40);
        SetUpDown(Form1.UpDown10, Form1.Edit96, 0);
        Form1.Edit10.text = "0.5";
    }
};

TEST_F(SnippetsTest, ListsHoldTheirTablesAndTheLibraryFollowsTheFixedMaterials) {
    DeclareLibrary.push_back({"Gold_", "material{texture{pigment{Gold}}}"});
    FillSnippetLists();
    const std::pair<int32_t, std::size_t> counts[] = {{SnippetMaterial, 17}, {SnippetTexture, 298},
                                                      {SnippetPigment, 98},  {SnippetFinish, 24},
                                                      {SnippetNormal, 27},   {SnippetBlending, 31},
                                                      {SnippetInterior, 11}};
    for (const auto& [page, count] : counts) EXPECT_EQ(SnippetList(page)->items.size(), count) << page;
    EXPECT_EQ(Form8.ListBox6.items[16], "Gold_");
    EXPECT_EQ(Form8.ListBox5.items[1], "Map...");
    EXPECT_EQ(Form8.ListBox5.items[2], Form8.ListBox2.items[4]);  // the first pattern
    EXPECT_EQ(Form8.ListBox5.items.back(), Form8.ListBox2.items[32]);
    EXPECT_EQ(SnippetText(SnippetMaterial, 16, true), "\r\nmaterial{texture{pigment{Gold}}}\r\n");
    EXPECT_EQ(SnippetText(SnippetTexture, 298, true), "");  // past the list
}

TEST_F(SnippetsTest, NamedEntriesWithAndWithoutUVMapping) {
    const struct {
        int32_t page;
        const char* entry;
        const char* uv;
        const char* plain;
    } cases[] = {
        {SnippetTexture, "T_Stone1", "texture{uv_mapping T_Stone1 scale 1.0 }\r\n", "texture{ T_Stone1 scale 1.0 }\r\n"},
        {SnippetPigment, "Clear", "        pigment{uv_mapping Clear scale 0.1}\r\n",
         "        pigment{ Clear scale 0.1}\r\n"},
        {SnippetFinish, "Dull", "        finish{Dull}\r\n", "        finish{Dull}\r\n"},
        {SnippetNormal, "bumps 1.0", "        normal{uv_mapping bumps 1.0 scale 0.1}\r\n",
         "        normal{ bumps 1.0 scale 0.1}\r\n"},
        {SnippetBlending, "wood pigment_map{[0 color rgb <0,0,0>] [1 color rgb<1,1,1>]}",
         "pigment_pattern{uv_mapping wood pigment_map{[0 color rgb <0,0,0>] [1 color rgb<1,1,1>]} scale 0.1}\r\n",
         "pigment_pattern{ wood pigment_map{[0 color rgb <0,0,0>] [1 color rgb<1,1,1>]} scale 0.1}\r\n"},
        {SnippetMaterial, "Material template",
         "material{\r\n            //insert texture(s) here\r\n\r\n            //insert interior here\r\n\r\n        }\r\n",
         "material{\r\n            //insert texture(s) here\r\n\r\n            //insert interior here\r\n\r\n        }\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(c.page, c.entry, true), c.uv) << c.entry;
        EXPECT_EQ(Text(c.page, c.entry, false), c.plain) << c.entry;
    }
    EXPECT_EQ(Text(SnippetTexture, "Texture simple template", true),
              "texture{\r\n        //insert pigment here\r\n\r\n        //insert finish here\r\n\r\n"
              "        //insert normal here\r\n\r\n       }\r\n");
}

TEST_F(SnippetsTest, PartsBuiltFromTheBasicProperties) {
    PanelWithMaps();
    SetUpDown(Form1.UpDown12, Form1.Edit97, 50);
    Form1.CheckBox7.checked = true;
    EXPECT_EQ(BuiltFinish(),
              "        finish{\r\n"
              "               phong 1 phong_size 9.849155\r\n"
              "               diffuse 0.6*0.6\r\n"
              "               ambient rgb <0,0,0>\r\n"
              "               reflection{0.2 metallic}\r\n"
              "               }\r\n");
    SetUpDown(Form1.UpDown12, Form1.Edit97, 30);
    const std::string wood = (dir / "wood.jpg").string();
    const std::string pigment = BuiltPigment("uv_mapping", false);
    EXPECT_EQ(pigment, "        pigment{uv_mapping\r\n                 image_map{\r\n" + std::string(27, ' ') +
                           "jpeg\r\n" + std::string(27, ' ') + "\"" + wood + "\"\r\n" + std::string(27, ' ') +
                           "interpolate 2\r\n" + std::string(27, ' ') + "transmit all 30/100\r\n" +
                           std::string(27, ' ') + "filter all 0/100\r\n" + std::string(27, ' ') +
                           "}\r\n                 scale 1.0 \r\n                 }\r\n");
    EXPECT_TRUE(EndsWith(BuiltPigment("", true), "}\r\n                 scale 1.0\r\n         }\r\n"));
    EXPECT_NE(BuiltNormal("").find("               bump_size 0.5\r\n"), std::string::npos);

    // Without maps: the colour, and no normal.
    SetComboText(Form1.ComboBox3, "");
    SetComboText(Form1.ComboBox18, (dir / "gone.tif").string());
    Form1.Panel1.color = 0x0000FF;
    EXPECT_EQ(BuiltPigment("", false), "        pigment{\r\n                color rgb <1,0,0>\r\n"
                                       "                transmit  30/100\r\n               }\r\n");
    EXPECT_EQ(Text(SnippetNormal, "Copy from basic tab", true), "");
}

TEST_F(SnippetsTest, TheBodyWrapsThePartsInATextureMapOverTheTransparencyMap) {
    PanelWithMaps();
    const std::string mask = (dir / "mask.png").string();
    const std::string body = BuiltBody("");
    const std::string head = "pigment_pattern{ image_map{png \"" + mask + "\" interpolate 2 }scale 1.0 }\r\ntexture_map{\r\n"
                             "       [0 pigment{Clear}] //black -> transparent\r\n       [1 //white -> full texture\r\n"
                             "           pigment{\r\n";
    EXPECT_EQ(body.substr(0, head.size()), head);
    EXPECT_TRUE(EndsWith(body, "              }\r\n       ]}scale 1.0\r\n")) << body;
    Form1.CheckBox64.checked = true;
    const std::string inverted = BuiltBody("");
    EXPECT_NE(inverted.find("       [0 //black -> full texture\r\n           pigment{"), std::string::npos);
    EXPECT_TRUE(EndsWith(inverted, "}\r\n       ]\r\n       [1 pigment{Clear}]}scale 1.0 //white -> transparent\r\n"));
    // The material built from the basic tab: the body inside material and texture.
    const std::string material = Text(SnippetMaterial, "Copy from basic tab", false);
    EXPECT_EQ(material, "material{\r\ntexture{\r\n" + inverted + "}\r\n}\r\n");
    // Without a transparency map each part follows indented by two blanks.
    SetComboText(Form1.ComboBox19, "");
    EXPECT_EQ(BuiltBody("").substr(0, 20), "          pigment{\r\n");
    EXPECT_EQ(Text(SnippetBlending, "Copy from basic tab", false), "");
}

TEST_F(SnippetsTest, ColourAndPictureEntriesAskTheirDialogs) {
    prompts.colorAnswers = {0x0080FF};
    EXPECT_EQ(Text(SnippetPigment, "Color...", true), "        pigment{color rgb <1,0.501960784313725,0>}\r\n");
    EXPECT_EQ(Text(SnippetPigment, "Color...", true), "");  // cancelled
    const std::string map = (dir / "tiles.png").string();
    std::ofstream(map) << "x";
    prompts.fileAnswers = {{map}, {(dir / "gone.png").string()}, {map}};
    EXPECT_EQ(Text(SnippetPigment, "Map...", false),
              "        pigment{\r\n                image_map{png \"" + map +
                  "\"\r\n                interpolate 2 transmit all 0 filter all 0} scale 1.0\r\n         }\r\n");
    EXPECT_EQ(Text(SnippetNormal, "Map...", true), "");  // a file that does not exist
    EXPECT_EQ(Text(SnippetBlending, "Map...", true),
              "pigment_pattern{uv_mapping image_map{png \"" + map + "\" interpolate 2 }scale 1.0}\r\n");
    ASSERT_EQ(prompts.fileDialogs.size(), 3u);
    EXPECT_EQ(prompts.fileDialogs[0].filter.substr(0, 13), "All pictures|");
}

TEST_F(SnippetsTest, ADoubleClickInsertsAtTheCaretAndClosesThePicker) {
    Form1.Memo2.lines = {"ab", "cd"};
    Form1.Memo2.selStart = 3;   // the start of "cd"
    Form1.Memo2.selLength = 2;  // "cd" selected: it stays
    Form8.ListBox3.index = IndexOf(SnippetFinish, "Dull");
    Commands().Run("Form8.ListBox3.DblClick");
    EXPECT_EQ(Form1.Memo2.lines, (std::vector<std::string>{"ab", "        finish{Dull}", "cd"}));
    EXPECT_EQ(Form1.Memo2.selStart, 3 + 21);
    EXPECT_EQ(Form8.modalResult, ModalResult::Ok);

    Form8.CheckBox1.checked = true;  // "Use 3D mapping": no uv_mapping
    Form8.ListBox1.index = IndexOf(SnippetTexture, "T_Wood1");
    Commands().Run("Form8.ListBox1.DblClick");
    EXPECT_EQ(Form1.Memo2.lines[2], "texture{ T_Wood1 scale 1.0 }");
    Form8.modalResult = ModalResult::None;
    Commands().Run("Form8.Escape");
    EXPECT_EQ(Form8.modalResult, ModalResult::Cancel);
}

TEST_F(SnippetsTest, OnlyLibraryEntriesCanBeDeleted) {
    DeclareLibrary = {{"A_", "a"}, {"B_", "b"}};
    FillSnippetLists();
    Form8.ListBox6.index = 15;
    Commands().Run("Form8.ListBox6.ContextPopup");
    EXPECT_FALSE(Form8.Delete1.enabled);
    Commands().Run("Form8.Delete1");
    EXPECT_EQ(Form8.ListBox6.items.size(), 18u);

    Form8.ListBox6.index = 16;
    Commands().Run("Form8.ListBox6.ContextPopup");
    EXPECT_TRUE(Form8.Delete1.enabled);
    Commands().Run("Form8.Delete1");
    ASSERT_EQ(DeclareLibrary.size(), 1u);
    EXPECT_EQ(DeclareLibrary[0].name, "B_");
    EXPECT_EQ(Form8.ListBox6.items.size(), 17u);
    EXPECT_EQ(Form8.ListBox6.items[16], "B_");
    EXPECT_EQ(Form8.ListBox6.index, 15);
    EXPECT_FALSE(Form8.Delete1.enabled);
}

}  // namespace
