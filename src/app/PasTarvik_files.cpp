// TEMPORARY until the index and area builders are merged.
#include "app/PasTarvik.h"
#include "common/error.h"
namespace tarvik {
void TFrmTarvik::btnfileClick() { throw RunError("not yet"); }
void TFrmTarvik::CreateByStandardFile(const std::string&, const QString&) { throw RunError("not yet"); }
void TFrmTarvik::CreateByAreaFile(const std::string&, const QString&) { throw RunError("not yet"); }
}
