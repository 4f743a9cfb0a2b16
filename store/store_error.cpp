#include "store/store_error.h"

#include "store/sqlite_handles.h"
#include "text/gbk.h"

namespace store {

StoreError ErrorFromCode(int sqlite_code, std::string detail) {
  StoreError e;
  e.sqlite_code = sqlite_code;
  e.detail = std::move(detail);
  switch (sqlite_code & 0xFF) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
      e.kind = ErrorKind::kNotAStore;
      break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      e.kind = ErrorKind::kBusy;
      break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      e.kind = ErrorKind::kReadOnly;
      break;
    case SQLITE_CANTOPEN:
      e.kind = ErrorKind::kCannotCreate;
      break;
    case SQLITE_FULL:
    case SQLITE_TOOBIG:
      e.kind = ErrorKind::kFull;
      break;
    case SQLITE_IOERR:
      e.kind = ErrorKind::kIo;
      break;
    default:
      e.kind = ErrorKind::kOther;
      break;
  }
  return e;
}

std::string ErrorMessage(const StoreError& error) {
  const char* what = "";
  switch (error.kind) {
    case ErrorKind::kMissing:
      what = "数据文件Data.edb不存在，请重新启动程序以创建它。";
      break;
    case ErrorKind::kNotAStore:
      what =
          "无法读取数据文件Data."
          "edb：密码不符或文件已损坏。\r\n\r\n文件未作任何改动，请从备份恢复。";
      break;
    case ErrorKind::kBusy:
      what = "数据文件Data.edb正被其他程序占用，请稍后再试。";
      break;
    case ErrorKind::kReadOnly:
      what = "数据文件Data.edb或其所在文件夹不可写入，请检查文件权限。";
      break;
    case ErrorKind::kCannotCreate:
      what = "无法打开或创建数据文件Data.edb，请检查程序所在文件夹是否可写。";
      break;
    case ErrorKind::kFull:
      what = "磁盘空间不足或文件已达大小上限，数据未能写入。\r\n\r\n此前已保存的数据完好。";
      break;
    case ErrorKind::kIo:
      what = "读写数据文件Data.edb时发生磁盘错误。";
      break;
    case ErrorKind::kOther:
      what = "访问数据文件Data.edb时出错。";
      break;
  }
  return text::Gbk(what);
}

}  // namespace store
