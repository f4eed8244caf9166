#include "textures/DroppedImageQuestion.h"

#include "platform/Paths.h"

void AskAboutDroppedImage(DroppedImageQuestion& question, std::u16string path)
{
    question.droppedPath = std::move(path);
    question.popupRequested = true;
    question.droppedIsCubeMap = false;
    question.description = {};
    const std::optional<std::string> narrow = platform::Utf16ToUtf8(question.droppedPath);
    if (!narrow)
        return;
    question.description = DescribeDroppedImage(*narrow);
    question.droppedIsCubeMap = question.description.isCubeMap;
}
