#pragma once
// The information notes and fixed texts of the statistics window.
#include <QString>
#include <QStringList>

namespace quillon {

inline const QString kAccessNote =
    "Note: older file systems did not store the file access date.  Files never recorded as "
    "being accessed are probably old files that were copied from an older file system.";
inline const QString kCreatedNote =
    "Files never recorded as being created are probably old files that were copied from an "
    "older file system.  Note: older file systems did not store the file creation date "
    "independent of the last file modification or file write date.";
inline const QString kModifiedNote =
    "Note: older file systems treated the file creation date synonomously  with the last file "
    "modification date.  Therefore all files have a file modification date.";
inline const QString kCombinedNote = "This chart combines the Accessed, Created and Modified charts";
inline const QString kTimeNote =
    "Note: Sometimes software vendors use the file modified time to indicate the version number "
    "of a product. For example, a file with the time of 02:10 am would represent version 2.1 of "
    "a certain product.  Note that files with a time of 12:00:00 am are excluded from this graph.";

inline const QString kAttributeNote =
    "Note it is possible that some files may have more than one attribute set.  For example "
    "many system files are also hidden.";

// The overhang page's explanation, one paragraph per entry.
inline const QStringList kOverhangMemo{
    "This page is an illustration of the amount of disk space wasted due to 'cluster "
    "overhang.'  This is the smallest amount of space a file will actually use.   The arrow "
    "points to your actual cluster size, the other numbers are hypothetical.",
    "Due to the design of the file system the hard disk is divided into clusters.  Files are "
    "stored in clusters. A file of one byte will take an entire cluster and a file that's one "
    "byte larger than a cluster will take two clusters.  The larger the partition, the more "
    "overhang or waste is involved.",
    "Solutions are to either repartition your hard disk or use disk compression.  FAT32 uses 4K "
    "cluster sizes for drives up to 8GB in size and 8K clusters for up to 16GB."};

inline const QString kNotApplicable = "Cluster overhang analysis is not applicable to this drive.";
inline const QString kNotYet = "Statistics haven't been collected yet!";
inline const QString kCollecting =
    "Collecting statistics ... standby.  Press Esc or click Abort to stop.";

} // namespace quillon
