#include "gui/StudioFixture.h"

#include "base/AppDirectory.h"
#include "formats/SettingsStore.h"

#include <QApplication>

#include <cstdlib>
#include <fstream>
#include <set>

namespace tarn::test {

std::size_t ImageColours(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            colours.insert(image.pixel(x, y));
        }
    }
    return colours.size();
}

void EnsureApplication(const char* platform) {
    static int argc = 1;
    static char name[] = "tarn-gui-tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [platform] {
        qputenv("QT_QPA_PLATFORM", platform);
        auto* made = new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        return made;
    }();
    (void)application;
}

StudioFixture::StudioFixture() : previous_(std::filesystem::current_path()) {
    EnsureApplication();
    const char* source = std::getenv("TARN_SOURCE_DIR");
    std::filesystem::copy(std::filesystem::path(source != nullptr ? source : ".") / "dist",
                          scratch_.Path(), std::filesystem::copy_options::recursive);
    std::filesystem::current_path(scratch_.Path());
    SetAppDirectory(scratch_.Path());
    SettingsStore settings;
    settings.Load(SettingsStore::kFileName);
    settings.SetString("audio.backend", std::string(StudioAudio::kNoBackend));
    settings.SetInteger("midi.enabled", 0);
    settings.Save(SettingsStore::kFileName);
    UsePluginDirectories({});
}

void StudioFixture::UsePluginDirectories(const std::vector<std::filesystem::path>& directories) {
    std::ofstream gear(scratch_ / "Plugin/Gear/Gear.config.xml", std::ios::trunc);
    gear << "<gear>\n  <group>\n    <name>VST</name>\n    <adapter>VST</adapter>\n";
    for (const std::filesystem::path& directory : directories) {
        gear << "    <directory>\n      <name>" << directory.string()
             << "</name>\n    </directory>\n";
    }
    gear << "  </group>\n</gear>\n";
}

StudioFixture::~StudioFixture() {
    Stop();
    std::filesystem::current_path(previous_);
}

bool StudioFixture::Start() {
    console_ = std::make_unique<CommandConsole>();
    studio_ = std::make_unique<StudioApplication>(*console_, &script_);
    return studio_->StartUp();
}

void StudioFixture::Stop() {
    studio_.reset();
    console_.reset();
}

std::vector<std::string> StudioFixture::LogLines() const {
    std::ifstream log(scratch_ / "Out/Console.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
        // "[MSG] ", "[ERR] " or "[WRN] ".
        lines.push_back(line.size() >= 6 ? line.substr(6) : line);
    }
    return lines;
}

} // namespace tarn::test
