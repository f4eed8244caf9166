// What the host does with files dropped on its window: images are described by the engine,
// everything else is offered to it as a model. Only the first usable name of one drop counts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace host {

// Extension of the final name, from its last dot, case kept. A final name whose only dot
// is its first character (".tga") has none.
std::string_view FinalNameExtension(std::string_view path);

// Exactly ".tga", ".TGA", ".dds" and ".DDS"; other spellings are models.
bool IsImageExtension(std::string_view extension);

enum class DropTarget { Image, Model };

struct DropAction {
    DropTarget target;
    std::string path;          // for LoadModel: the bytes as the system gave them
    std::u16string utf16Path;  // for AskEngineAboutImage (NameToUtf16)
};

// Decides what to do with one dropped name, as the window system delivers it: bytes,
// usually UTF-8, passed on unchanged. Only a null or empty name cannot be read and gives
// nullopt.
std::optional<DropAction> ClassifyDroppedName(const char* name);

// Follows one drop from its begin to its complete notice and lets only the first readable
// name through. A name that arrives outside a begin/complete pair is a drop of its own.
class DropBatch {
   public:
    void Begin();
    std::optional<DropAction> Offer(const char* name);
    void Complete();

   private:
    bool inBatch_ = false;
    bool handled_ = false;
};

}  // namespace host
