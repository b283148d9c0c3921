#include "layers/GxResolveImageFile.h"

#include "io/GxFileSystem.h"

bool GxResolveImageFile(GxString* path) {
    if (!path) return false;
    if (GxFileExists(*path) != kGxFileNotFound) return true;
    for (const GxChar* ext : {u".png", u".dds", u".tga", u".jpg", u".bmp"}) {
        const GxString candidate = *path + ext;
        if (GxFileExists(candidate) != kGxFileNotFound) {
            *path = candidate;
            return true;
        }
    }
    return false;
}
