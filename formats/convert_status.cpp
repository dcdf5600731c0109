#include "formats/convert_status.h"

namespace zendavo {

const char* describe(ConvertStatus status)
{
    switch (status) {
        case ConvertStatus::Ok: return "converted";
        case ConvertStatus::SourceMissing: return "source missing";
        case ConvertStatus::Undecodable: return "not a readable picture";
        case ConvertStatus::WriteFailed: return "destination not written";
        case ConvertStatus::MissingPath: return "path not given";
    }
    return "unknown status";
}

}  // namespace zendavo
