#include "textures/DroppedImageQuestion.h"

#include "textures/PanoramaImage.h"

void AskAboutDroppedImage(DroppedImageQuestion& question, std::filesystem::path path)
{
    question.droppedPath = std::move(path);
    question.popupRequested = true;
    question.droppedIsCubeMap = false;
    question.description = DescribeDroppedImage(question.droppedPath);
    question.droppedIsCubeMap = question.description.isCubeMap;
    question.droppedIsPanorama = IsPanoramaName(question.droppedPath);
}
