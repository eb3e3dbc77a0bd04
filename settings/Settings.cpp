#include "settings/Settings.h"

CheckSet NewCheckSet() {
    CheckSet s;
    s.Name = u"新規チェック セット";
    s.Url = u"http://";
    s.DefaultDocument = {u"index.html"};
    s.HtmlFilePattern = {u"*.*htm*"};
    s.HtmlFileLikePattern = {u"*.*[Hh][Tt][Mm]*"};
    s.CheckMailTo = 1;
    s.CheckBaseDirOver = 1;
    s.AlertDirListing = 1;
    s.AlertIgnoredFile = 1;
    s.FileAttribute = 1;
    s.FilePatternXEnabled = 1;
    s.FilePatternX = {u"*.bak", u"*.log"};
    s.DirAttribute = 1;
    s.ModernHtml = 1;
    return s;
}
