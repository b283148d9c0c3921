#pragma once
// The files of a small game of a test's own, written the way the game's
// tools would leave them: pictures painted pixel by pixel, interface image
// sets with their atlas, the UI module and layout tables and other data
// tables (UTF-8 with its mark), short WAV sounds. Paths are relative to the
// working folder unless given whole; folders are made as needed. Each
// returns false when a file cannot be written.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qtest {

// A pixel's colour (0xAARRGGBB) at x, y.
using Paint = std::function<uint32_t(int x, int y)>;
// A face of fill colour with a one-pixel frame of the edge colour.
Paint Framed(int w, int h, uint32_t fill, uint32_t edge);

bool WritePicture(const std::filesystem::path& path, int w, int h, const Paint& paint);

// An image of an image set: its name in the set, its size and its pixels.
struct SetImage {
    std::string name;
    int w, h;
    Paint paint;
};
// "uigis/<name>.gis" with one atlas "<name>.png" beside it: the images in
// rows from the top left, a new row where the next would pass the atlas's
// width; as high as its rows unless a height is given.
bool WriteUISet(const std::string& name, const std::vector<SetImage>& images, int width, int height = 0);

// A row of the UI module table; ids count from 1 in the rows' order.
struct UIModuleRow {
    int type;
    std::string name, set, image;
    int clientLeft = 0, clientTop = 0, clientWidth = 0, clientHeight = 0, font = 0;
};
// A row of the UI layout table (created and enabled).
struct UILayoutRow {
    std::string parent, module, task;
    int index;
    float left, top;
    int group = 0, value = 0, min = 0, max = 0;
    int visible = 1;
    float z = 100;
    int sound = 0;  // the system sound's id
    int help = -1;  // the tool tip's time
};
// "data/db_uimodule.txt" and "data/db_uilayout.txt".
bool WriteUITables(const std::vector<UIModuleRow>& modules, const std::vector<UILayoutRow>& layouts);

// A data table: its header (without the '#') and rows, one a line.
bool WriteTable(const std::filesystem::path& path, const std::string& header, const std::vector<std::string>& rows);
// 16-bit stereo WAV at 48 kHz of frames frames, both sides at one level.
bool WriteWav(const std::filesystem::path& path, uint32_t frames, int16_t level);

} // namespace qtest
