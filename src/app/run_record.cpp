// The one run record and the names the units below the run read it by.
// Apart from run.cpp, so that the portable unit tests, which link no
// platform, can link the record.
#include "app/run_record.h"

#include "video/bitmap_reader.h"

SaverRun saverRun;

SaverSettings& saverSettings = saverRun.settings.saverSettings;
ResolutionTable& resolutionTable = saverRun.settings.resolutionTable;
RenderWindowState& renderWindow = saverRun.renderWindow;
int32_t& nextTextureName = saverRun.textures.nextTextureName;
int32_t& textureFilterMode = saverRun.textures.textureFilterMode;
int32_t& pictureTexture = saverRun.textures.pictureTexture;
StillPicture& stillPicture = saverRun.stillPicture;
uint32_t& frameTime = saverRun.animation.frameTime;
float (&spinAngle)[MaxPulseObjects] = saverRun.animation.spinAngle;
SceneState& sceneState = saverRun.scene;
SceneNode*& sceneList = saverRun.scene.sceneList;
float& baseBrightness = saverRun.scene.baseBrightness;
ScreenCopies& screenCopies = saverRun.screenCopies;
int32_t& feedbackTexture = saverRun.screenCopies.feedbackTexture;
int32_t& blurTexture = saverRun.screenCopies.blurTexture;

void ResetRun() {
    FreeSceneList();
    FreeImageRecord(saverRun.stillPicture.keptPicture);
    saverRun = SaverRun{};
}
