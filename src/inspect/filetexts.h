#pragma once
// Texts and pictures that the details window and the pair comparison show for
// one file.
#include "platform/clock.h"
#include <QIcon>
#include <QString>
#include <cstdint>
#include <string>

namespace quillon {

// " ReadOnly", " Hidden", " System", " VolumeID", " Directory", " Archive" for
// each attribute set, in that order (empty when none).
QString AttributeWords(uint32_t attributes);

// "Cluster size: 4,096  Clusters used : 3": clusters used is the size divided
// by the cluster size, rounded up (an empty file uses none). With no cluster
// size known the text says so.
QString ClusterText(int64_t size, int64_t clusterSize);
// The same for a file, with the cluster size of the file system that holds it.
QString WastedClusterSpace(const std::string& path, int64_t size);

// The short date, two blanks and how long ago ("12/03/1997  3 wks ago");
// "???" when the file system did not record the date.
QString DateWithAge(DateTime value);
// The short date, a blank, the long time, two blanks and how long ago;
// "???" when not recorded.
QString DateTimeWithAge(DateTime value);

// The picture that stands for the file: our folder picture for a folder, the
// desktop's icon for the file's type, or our blank page when there is none.
// Callers have already looked the file up and say whether it is a folder.
QIcon LoadFileIcon(const std::string& path, bool isFolder);

} // namespace quillon
