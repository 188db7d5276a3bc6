#include "HelperText.h"


// The same word for the same thing in every row, as in the tool window:
//   output folder  輸出目錄 / 出力フォルダー / 출력 폴더 / output folder
//   in place       原位置取代 / 元の場所で置き換え / 원래 위치에서 교체 / replace in place
//   padding        補邊 / 余白 / 여백 / padding
//   error report   錯誤報告 / エラーレポート / 오류 보고서 / error report
//   read-back      回讀 / 読み戻し / 다시 읽기 / read-back

namespace HelperText {

namespace {

const TextTable::Row rows[] = {
    // The window.
    {{u"图片尺寸4倍数补齐工具", u"圖片尺寸4倍數補齊工具", u"画像サイズ余白補完ツール（4 の倍数）",
      u"이미지 크기 4배수 여백 채우기 도구", u"Image Padding Tool (Multiple of 4)"}},
    {{u"选择多个图片", u"選擇多張圖片", u"画像を選択", u"이미지 선택", u"Choose images"}},
    {{u"选择文件夹", u"選擇資料夾", u"フォルダーを選択", u"폴더 선택", u"Choose folder"}},
    {{u"清空列表", u"清空清單", u"リストをクリア", u"목록 지우기", u"Clear list"}},
    {{u"浏览", u"瀏覽", u"参照", u"찾아보기", u"Browse"}},
    {{u"恢复原位置替换", u"還原為原位置取代", u"元の場所での置き換えに戻す", u"원래 위치 교체로 복원",
      u"Restore in-place replacement"}},
    {{u"输出目录（留空＝原位置替换）：", u"輸出目錄（留空＝原位置取代）：", u"出力フォルダー（空欄＝元の場所で置き換え）：",
      u"출력 폴더(비워 두면 원래 위치에서 교체):", u"Output folder (empty = replace in place):"}},
    // The options share one row of the smallest window: short words where a language needs it.
    {{u"尺寸规则：", u"尺寸規則：", u"サイズ規則：", u"크기 규칙:", u"Sizing rule:"}},
    {{u"补边颜色：", u"補邊顏色：", u"余白の色：", u"여백 색상:", u"Padding:"}},
    {{u"4 的倍数", u"4 的倍數", u"4 の倍数", u"4의 배수", u"Multiple of 4"}},
    {{u"偶数（2 的倍数）", u"偶數（2 的倍數）", u"偶数（2 の倍数）", u"짝수(2의 배수)", u"Even (multiple of 2)"}},
    {{u"2ⁿ（2 的幂）", u"2ⁿ（2 的冪）", u"2ⁿ（2 のべき乗）", u"2ⁿ(2의 거듭제곱)", u"Power of 2"}},
    {{u"透明", u"透明", u"透明", u"투명", u"Transparent"}},
    {{u"白色", u"白色", u"白", u"흰색", u"White"}},
    {{u"黑色", u"黑色", u"黒", u"검은색", u"Black"}},
    {{u"内容居中", u"內容置中", u"中央に配置", u"내용 가운데 정렬", u"Centered"}},
    {{u"统一输出无损 PNG", u"統一輸出無損 PNG", u"ロスレス PNG", u"무손실 PNG로 출력", u"Lossless PNG"}},
    {{u"文件夹含子目录", u"資料夾含子目錄", u"サブフォルダーも", u"하위 폴더 포함", u"Subfolders"}},
    {{u"就绪", u"就緒", u"準備完了", u"준비됨", u"Ready"}},
    {{u"已用时间：%1", u"已用時間：%1", u"経過時間：%1", u"경과 시간: %1", u"Elapsed: %1"}},
    {{u"已用时间：00:00:00", u"已用時間：00:00:00", u"経過時間：00:00:00", u"경과 시간: 00:00:00",
      u"Elapsed: 00:00:00"}},
    {{u"剩余时间：--:--:--", u"剩餘時間：--:--:--", u"残り時間：--:--:--", u"남은 시간: --:--:--",
      u"Remaining: --:--:--"}},
    {{u"剩余时间：00:00:00", u"剩餘時間：00:00:00", u"残り時間：00:00:00", u"남은 시간: 00:00:00",
      u"Remaining: 00:00:00"}},
    {{u"剩余时间：%1", u"剩餘時間：%1", u"残り時間：%1", u"남은 시간: %1", u"Remaining: %1"}},
    {{u"实时处理日志", u"即時處理記錄", u"リアルタイム処理ログ", u"실시간 처리 로그", u"Live processing log"}},
    {{u"开始处理", u"開始處理", u"処理を開始", u"처리 시작", u"Start processing"}},
    {{u"制作者：Pictavo 工作室", u"製作者：Pictavo 工作室", u"制作：Pictavo Studio", u"제작: Pictavo Studio",
      u"Created by: Pictavo Studio"}},
    {{u"联系邮箱：support@pictavo.example", u"聯絡信箱：support@pictavo.example",
      u"連絡先メール：support@pictavo.example", u"이메일: support@pictavo.example", u"Email: support@pictavo.example"}},
    {{u"已选择 %1 个图片", u"已選擇 %1 張圖片", u"画像 %1 枚を選択済み", u"이미지 %1개 선택됨",
      u"%1 {image|images} selected"}},
    {{u"进度：%1/%2", u"進度：%1/%2", u"進捗：%1/%2", u"진행: %1/%2", u"Progress: %1/%2"}},

    // Dialogs.
    {{u"图片文件 (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff *.JPG *.JPEG *.PNG *.BMP *.GIF *.TIF *.TIFF);;所有文件 (*)",
      u"圖片檔案 (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff *.JPG *.JPEG *.PNG *.BMP *.GIF *.TIF *.TIFF);;所有檔案 (*)",
      u"画像ファイル (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff *.JPG *.JPEG *.PNG *.BMP *.GIF *.TIF *.TIFF);;"
      u"すべてのファイル (*)",
      u"이미지 파일 (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff *.JPG *.JPEG *.PNG *.BMP *.GIF *.TIF *.TIFF);;"
      u"모든 파일 (*)",
      u"Image files (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff *.JPG *.JPEG *.PNG *.BMP *.GIF *.TIF *.TIFF);;"
      u"All files (*)"}},
    {{u"选择图片文件夹", u"選擇圖片資料夾", u"画像フォルダーを選択", u"이미지 폴더 선택", u"Choose image folder"}},
    {{u"选择输出目录", u"選擇輸出目錄", u"出力フォルダーを選択", u"출력 폴더 선택", u"Choose output folder"}},
    {{u"选择此文件夹", u"選擇此資料夾", u"このフォルダーを選択", u"이 폴더 선택", u"Select folder"}},
    {{u"请先选择图片或文件夹。", u"請先選擇圖片或資料夾。", u"先に画像またはフォルダーを選択してください。",
      u"먼저 이미지나 폴더를 선택하세요.", u"Choose images or a folder first."}},
    {{u"无法创建输出目录：%1", u"無法建立輸出目錄：%1", u"出力フォルダーを作成できません：%1",
      u"출력 폴더를 만들 수 없습니다: %1", u"Cannot create the output folder: %1"}},

    // The log: adding files.
    {{u"[拖入失败] %1；%2", u"[拖入失敗] %1；%2", u"[ドロップ失敗] %1；%2", u"[끌어 놓기 실패] %1; %2",
      u"[Drop failed] %1; %2"}},
    {{u"已拖入 %1 个项目（其中 %2 个文件夹），新增 %3 张图片。", u"已拖入 %1 個項目（其中 %2 個資料夾），新增 %3 張圖片。",
      u"%1 個の項目をドロップしました（うちフォルダー %2 個）。画像を %3 枚追加しました。",
      u"항목 %1개를 끌어 놓았습니다(폴더 %2개 포함). 이미지 %3개를 추가했습니다.",
      u"Dropped %1 {item|items} (%2 {folder|folders}); added %3 {image|images}."}},
    {{u"无法处理的文件名（不是有效的 UTF-8）：", u"無法處理的檔案名稱（不是有效的 UTF-8）：",
      u"処理できないファイル名（有効な UTF-8 ではありません）：", u"처리할 수 없는 파일 이름(올바른 UTF-8이 아님): ",
      u"File name that cannot be processed (not valid UTF-8): "}},
    {{u"不支持的文件类型：", u"不支援的檔案類型：", u"対応していないファイル形式：", u"지원하지 않는 파일 형식: ",
      u"Unsupported file type: "}},
    {{u"文件不存在：", u"檔案不存在：", u"ファイルが見つかりません：", u"파일이 없습니다: ", u"File not found: "}},
    {{u"无法读取文件列表 %1：%2", u"無法讀取檔案清單 %1：%2", u"ファイルリスト %1 を読み込めません：%2",
      u"파일 목록 %1을(를) 읽을 수 없습니다: %2", u"Cannot read the file list %1: %2"}},
    {{u"无法读取文件夹：", u"無法讀取資料夾：", u"フォルダーを読み込めません：", u"폴더를 읽을 수 없습니다: ",
      u"Cannot read the folder: "}},
    {{u"文件夹不存在：", u"資料夾不存在：", u"フォルダーが見つかりません：", u"폴더가 없습니다: ", u"Folder not found: "}},
    {{u"“%1”不是文件夹", u"「%1」不是資料夾", u"「%1」はフォルダーではありません", u"“%1”은(는) 폴더가 아닙니다",
      u"“%1” is not a folder"}},
    {{u"没有在“%1”中创建文件夹的权限", u"沒有在「%1」中建立資料夾的權限", u"「%1」にフォルダーを作成する権限がありません",
      u"“%1”에 폴더를 만들 권한이 없습니다", u"No permission to create a folder in “%1”"}},
    {{u"无法在“%1”中创建文件夹", u"無法在「%1」中建立資料夾", u"「%1」にフォルダーを作成できません",
      u"“%1”에 폴더를 만들 수 없습니다", u"Cannot create a folder in “%1”"}},

    // The log: the run.
    {{u"开始处理 %1 个图片；模式：原位置替换原文件", u"開始處理 %1 張圖片；模式：原位置取代原檔案",
      u"画像 %1 枚の処理を開始します。モード：元の場所で置き換え", u"이미지 %1개 처리를 시작합니다. 모드: 원래 위치에서 교체",
      u"Processing %1 {image|images}; mode: replace in place"}},
    {{u"开始处理 %1 个图片；输出目录：%2", u"開始處理 %1 張圖片；輸出目錄：%2",
      u"画像 %1 枚の処理を開始します。出力フォルダー：%2", u"이미지 %1개 처리를 시작합니다. 출력 폴더: %2",
      u"Processing %1 {image|images}; output folder: %2"}},
    // The word in brackets at the head of a result line and of a report line.
    {{u"成功", u"成功", u"成功", u"성공", u"OK"}},
    {{u"失败", u"失敗", u"失敗", u"실패", u"Failed"}},
    {{u"跳过", u"略過", u"スキップ", u"건너뜀", u"Skipped"}},
    {{u"已符合规则，未改动", u"已符合規則，未改動", u"適合済みのため変更なし", u"이미 맞음 — 변경하지 않음",
      u"Already fits — unchanged"}},
    {{u"原样复制到 %1", u"原樣複製到 %1", u"%1 にそのままコピー", u"%1에 그대로 복사함", u"copied as is to %1"}},
    {{u"无法写入错误报告：%1；%2。错误报告改为写入：%3", u"無法寫入錯誤報告：%1；%2。錯誤報告改為寫入：%3",
      u"エラーレポートを書き込めません：%1（%2）。代わりに次の場所に書き込みます：%3",
      u"오류 보고서를 쓸 수 없습니다: %1; %2. 대신 다음 위치에 씁니다: %3",
      u"Cannot write the error report: %1; %2. Writing it to %3 instead."}},
    {{u"无法写入错误报告：%1；%2", u"無法寫入錯誤報告：%1；%2", u"エラーレポートを書き込めません：%1（%2）",
      u"오류 보고서를 쓸 수 없습니다: %1; %2", u"Cannot write the error report: %1; %2"}},

    // The end of a run: status line, log and box.
    {{u"完成：成功 %1，失败 %2", u"完成：成功 %1，失敗 %2", u"完了：成功 %1、失敗 %2", u"완료: 성공 %1, 실패 %2",
      u"Done: %1 succeeded, %2 failed"}},
    {{u"，跳过 %1", u"，略過 %1", u"、スキップ %1", u", 건너뜀 %1", u", %1 skipped"}},
    {{u"\n跳过：%1", u"\n略過：%1", u"\nスキップ：%1", u"\n건너뜀: %1", u"\nSkipped: %1"}},
    // Stopping a run, and each picture's state in the list.
    {{u"已停止：%1 个图片未开始处理。", u"已停止：%1 張圖片未開始處理。", u"停止しました。%1 枚の画像は処理を開始していません。",
      u"중지됨: 이미지 %1개는 처리를 시작하지 않았습니다.", u"Stopped: %1 {image was|images were} not started."}},
    {{u"处理已停止；已处理的图片没有失败，未生成处理报告。", u"處理已停止；已處理的圖片沒有失敗，未產生處理報告。",
      u"処理を停止しました。処理した画像に失敗はなく、レポートは作成していません。",
      u"처리를 중지했습니다. 처리한 이미지에 실패가 없어 보고서를 만들지 않았습니다.",
      u"Stopped; no processed image failed, no report written."}},
    {{u"停止", u"停止", u"停止", u"중지", u"Stop"}},
    {{u"正在停止：等正在处理的图片完成…", u"正在停止：等待處理中的圖片完成…", u"停止中：処理中の画像の完了を待っています…",
      u"중지하는 중: 처리 중인 이미지가 끝나기를 기다립니다…", u"Stopping: waiting for the images in progress…"}},
    {{u"处理完正在进行的图片后停止？", u"處理完進行中的圖片後停止？", u"処理中の画像を仕上げてから停止しますか？",
      u"처리 중인 이미지를 마친 후 중지할까요?", u"Stop after the images in progress?"}},
    {{u"已在处理的图片会完成并校验，其余图片不再开始，原图保持不变。",
      u"已在處理的圖片會完成並校驗，其餘圖片不再開始，原圖保持不變。",
      u"処理中の画像は完了して検証し、残りの画像は開始せず元のまま残します。",
      u"처리 중인 이미지는 끝까지 처리하고 검증하며, 나머지 이미지는 시작하지 않고 원본 그대로 둡니다.",
      u"Images in progress are finished and verified; the others are not started and stay as they are."}},
    {{u"图片尺寸补齐工具（%1）", u"圖片尺寸補齊工具（%1）", u"画像サイズ余白補完ツール（%1）", u"이미지 크기 여백 채우기 도구(%1)",
      u"Image Padding Tool (%1)"}},
    {{u"状态", u"狀態", u"状態", u"상태", u"Status"}},
    {{u"名称", u"名稱", u"名前", u"이름", u"Name"}},
    {{u"所在文件夹", u"所在資料夾", u"フォルダー", u"폴더", u"Folder"}},
    {{u"等待处理", u"等待處理", u"待機中", u"대기 중", u"Waiting"}},
    {{u"处理中", u"處理中", u"処理中", u"처리 중", u"Working"}},
    {{u"已完成 %1", u"已完成 %1", u"完了 %1", u"완료 %1", u"Done %1"}},
    {{u"已完成 → %1 %2", u"已完成 → %1 %2", u"完了 → %1 %2", u"완료 → %1 %2", u"Done → %1 %2"}},
    {{u"已取消", u"已取消", u"キャンセル", u"취소됨", u"Cancelled"}},
    {{u"未开始：停止后未处理，原图保持不变。", u"未開始：停止後未處理，原圖保持不變。", u"未開始：停止したため処理せず、元のままです。",
      u"시작 안 함: 중지되어 처리하지 않았으며 원본 그대로입니다.", u"Not started: the run was stopped; the original is untouched."}},
    {{u"，未开始 %1", u"，未開始 %1", u"、未開始 %1", u", 시작 안 함 %1", u", not started %1"}},
    {{u"\n未开始：%1", u"\n未開始：%1", u"\n未開始：%1", u"\n시작 안 함: %1", u"\nNot started: %1"}},
    {{u"处理已停止\n成功：%1\n失败：%2%3%4%5", u"處理已停止\n成功：%1\n失敗：%2%3%4%5",
      u"処理を停止しました\n成功：%1\n失敗：%2%3%4%5", u"처리를 중지했습니다\n성공: %1\n실패: %2%3%4%5",
      u"Stopped\nSucceeded: %1\nFailed: %2%3%4%5"}},
    {{u"\n\n错误报告：%1", u"\n\n錯誤報告：%1", u"\n\nエラーレポート：%1", u"\n\n오류 보고서: %1",
      u"\n\nError report: %1"}},
    {{u"处理完成；全部成功，未生成处理报告。", u"處理完成；全部成功，未產生處理報告。",
      u"処理が完了しました。すべて成功したため、レポートは作成していません。",
      u"처리 완료. 모두 성공하여 보고서를 만들지 않았습니다.", u"Done; all succeeded, no report written."}},
    {{u"处理完成\n成功：%1\n失败：0\n\n全部成功，未生成处理报告。", u"處理完成\n成功：%1\n失敗：0\n\n全部成功，未產生處理報告。",
      u"処理完了\n成功：%1\n失敗：0\n\nすべて成功したため、レポートは作成していません。",
      u"처리 완료\n성공: %1\n실패: 0\n\n모두 성공하여 보고서를 만들지 않았습니다.",
      u"Done\nSucceeded: %1\nFailed: 0\n\nAll succeeded; no report written."}},
    {{u"处理完成；没有失败，但有 %1 个文件被跳过（见上方日志），未生成处理报告。",
      u"處理完成；沒有失敗，但有 %1 個檔案被略過（見上方記錄），未產生處理報告。",
      u"処理が完了しました。失敗はありませんが、%1 個のファイルをスキップしました（上のログを参照）。レポートは作成していません。",
      u"처리 완료. 실패는 없지만 파일 %1개를 건너뛰었습니다(위 로그 참조). 보고서를 만들지 않았습니다.",
      u"Done; nothing failed, but %1 {file was|files were} skipped (see the log above); no report written."}},
    {{u"处理完成\n成功：%1\n失败：0%2\n\n没有失败，但有文件被跳过，原因见日志；未生成处理报告。",
      u"處理完成\n成功：%1\n失敗：0%2\n\n沒有失敗，但有檔案被略過，原因見記錄；未產生處理報告。",
      u"処理完了\n成功：%1\n失敗：0%2\n\n失敗はありませんが、スキップしたファイルがあります（理由はログを参照）。"
      u"レポートは作成していません。",
      u"처리 완료\n성공: %1\n실패: 0%2\n\n실패는 없지만 건너뛴 파일이 있습니다(이유는 로그 참조). 보고서를 만들지 않았습니다.",
      u"Done\nSucceeded: %1\nFailed: 0%2\n\nNothing failed, but some files were skipped; the log says why. "
      u"No report written."}},
    {{u"处理完成；发现错误，错误报告：%1", u"處理完成；發現錯誤，錯誤報告：%1",
      u"処理が完了しました。エラーがありました。エラーレポート：%1", u"처리 완료. 오류가 있습니다. 오류 보고서: %1",
      u"Done; errors found, error report: %1"}},
    {{u"处理完成\n成功：%1\n失败：%2%3\n\n错误报告：%4", u"處理完成\n成功：%1\n失敗：%2%3\n\n錯誤報告：%4",
      u"処理完了\n成功：%1\n失敗：%2%3\n\nエラーレポート：%4", u"처리 완료\n성공: %1\n실패: %2%3\n\n오류 보고서: %4",
      u"Done\nSucceeded: %1\nFailed: %2%3\n\nError report: %4"}},
    {{u"处理完成；发现错误，错误报告未能写入：%1", u"處理完成；發現錯誤，錯誤報告未能寫入：%1",
      u"処理が完了しました。エラーがありましたが、エラーレポートを書き込めませんでした：%1",
      u"처리 완료. 오류가 있지만 오류 보고서를 쓰지 못했습니다: %1",
      u"Done; errors found, but the error report could not be written: %1"}},
    {{u"处理完成\n成功：%1\n失败：%2%3\n\n错误报告未能写入：%4\n%5",
      u"處理完成\n成功：%1\n失敗：%2%3\n\n錯誤報告未能寫入：%4\n%5",
      u"処理完了\n成功：%1\n失敗：%2%3\n\nエラーレポートを書き込めませんでした：%4\n%5",
      u"처리 완료\n성공: %1\n실패: %2%3\n\n오류 보고서를 쓰지 못했습니다: %4\n%5",
      u"Done\nSucceeded: %1\nFailed: %2%3\n\nThe error report could not be written: %4\n%5"}},

    {{u"路径含有制表符或换行符，无法报告，未处理：%1", u"路徑含有定位字元或換行字元，無法回報，未處理：%1",
      u"パスにタブまたは改行が含まれていて報告できないため、処理していません：%1",
      u"경로에 탭이나 줄 바꿈이 있어 보고할 수 없으므로 처리하지 않았습니다: %1",
      u"Not processed: the path holds a tab or line break and cannot be reported: %1"}},
    {{u"无法连接工具窗口的进度通道 %1：%2；处理照常进行，进度只在本窗口显示",
      u"無法連線到工具視窗的進度通道 %1：%2；處理照常進行，進度只在本視窗顯示",
      u"ツールウィンドウの進捗チャネル %1 に接続できません：%2。処理はそのまま続け、進捗はこのウィンドウにだけ表示します",
      u"도구 창의 진행 채널 %1에 연결할 수 없습니다: %2. 처리는 그대로 진행되며 진행 상황은 이 창에만 표시됩니다",
      u"Cannot connect to the tool window's progress channel %1: %2; processing goes on, with progress shown in this "
      u"window only"}},
    {{u"无法连接工具窗口的进度通道 %1：%2；处理照常进行", u"無法連線到工具視窗的進度通道 %1：%2；處理照常進行",
      u"ツールウィンドウの進捗チャネル %1 に接続できません：%2。処理はそのまま続けます",
      u"도구 창의 진행 채널 %1에 연결할 수 없습니다: %2. 처리는 그대로 진행됩니다",
      u"Cannot connect to the tool window's progress channel %1: %2; processing goes on"}},

    // The command line.
    {{u"用法见 Quadrix --help", u"用法見 Quadrix --help", u"使い方は Quadrix --help を参照してください",
      u"사용법은 Quadrix --help를 참조하세요", u"See Quadrix --help for usage"}},
    {{u"--base 需要一个已有的文件夹：%1", u"--base 需要一個已有的資料夾：%1", u"--base には既存のフォルダーを指定してください：%1",
      u"--base에는 기존 폴더가 필요합니다: %1", u"--base needs an existing folder: %1"}},
    {{u"输出文件 %1 已由另一个进程写入；为免覆盖它的结果，未作替换", u"輸出檔案 %1 已由另一個程序寫入；為免覆蓋它的結果，未予取代",
      u"出力ファイル %1 は別のプロセスが書き込んだため、その結果を上書きしないよう置き換えませんでした",
      u"출력 파일 %1을(를) 다른 프로세스가 이미 썼으므로 그 결과를 덮어쓰지 않도록 교체하지 않았습니다",
      u"Another process wrote the output file %1; it was not replaced, so its result is kept"}},
    // The failure report's file name: no characters a file system refuses, no blanks.
    {{u"错误报告_", u"錯誤報告_", u"失敗レポート_", u"오류보고서_", u"failure-report_"}},
    {{u"没有可处理的图片", u"沒有可處理的圖片", u"処理できる画像がありません", u"처리할 이미지가 없습니다", u"No images to process"}},
    {{u"没有给出要处理的图片或文件夹", u"沒有指定要處理的圖片或資料夾", u"処理する画像またはフォルダーが指定されていません",
      u"처리할 이미지나 폴더를 지정하지 않았습니다", u"No images or folders were given"}},
    {{u"%1 缺少取值", u"%1 缺少取值", u"%1 に値がありません", u"%1에 값이 없습니다", u"%1 needs a value"}},
    {{u"--rule 的取值应为 multiple4、even 或 power2：%1", u"--rule 的值應為 multiple4、even 或 power2：%1",
      u"--rule の値は multiple4、even、power2 のいずれかです：%1", u"--rule 값은 multiple4, even, power2 중 하나여야 합니다: %1",
      u"--rule takes multiple4, even or power2: %1"}},
    {{u"--fill 的取值应为 transparent、white 或 black：%1", u"--fill 的值應為 transparent、white 或 black：%1",
      u"--fill の値は transparent、white、black のいずれかです：%1",
      u"--fill 값은 transparent, white, black 중 하나여야 합니다: %1", u"--fill takes transparent, white or black: %1"}},
    {{u"--jobs 需要一个正整数：%1", u"--jobs 需要一個正整數：%1", u"--jobs には正の整数を指定してください：%1",
      u"--jobs에는 양의 정수가 필요합니다: %1", u"--jobs needs a positive whole number: %1"}},
    {{u"未知的开关：%1", u"未知的參數：%1", u"不明なスイッチ：%1", u"알 수 없는 스위치: %1", u"Unknown switch: %1"}},

    // The result of one picture.
    {{u"规则=%1；已保存并回读校验；%2", u"規則=%1；已儲存並回讀驗證；%2", u"規則=%1；保存して読み戻しで検証済み；%2",
      u"규칙=%1; 저장 후 다시 읽어 검증함; %2", u"rule=%1; saved and verified by read-back; %2"}},
    {{u"；解码器警告：%1", u"；解碼器警告：%1", u"；デコーダーの警告：%1", u"; 디코더 경고: %1", u"; decoder warning: %1"}},
    {{u"内存不足，无法处理此图片", u"記憶體不足，無法處理此圖片", u"メモリが不足しているため、この画像を処理できません",
      u"메모리가 부족하여 이 이미지를 처리할 수 없습니다", u"Not enough memory to process this image"}},
    {{u"处理时发生意外错误：%1", u"處理時發生意外錯誤：%1", u"処理中に予期しないエラーが発生しました：%1",
      u"처리 중 예기치 않은 오류가 발생했습니다: %1", u"Unexpected error while processing: %1"}},
    {{u"处理时发生未知错误", u"處理時發生未知錯誤", u"処理中に不明なエラーが発生しました", u"처리 중 알 수 없는 오류가 발생했습니다",
      u"Unknown error while processing"}},
    {{u"处理失败（原因不明）", u"處理失敗（原因不明）", u"処理に失敗しました（原因不明）", u"처리 실패(원인 불명)",
      u"Processing failed (cause unknown)"}},
    {{u"链接指向的文件不存在：%1", u"連結指向的檔案不存在：%1", u"リンク先のファイルが見つかりません：%1",
      u"링크가 가리키는 파일이 없습니다: %1", u"The link points to a missing file: %1"}},
    {{u"补齐后的画布过大（%1 的边长超出 32 位整数）", u"補齊後的畫布過大（%1 的邊長超出 32 位元整數）",
      u"余白を加えたカンバスが大きすぎます（%1 の辺の長さが 32 ビット整数を超えます）",
      u"여백을 채운 캔버스가 너무 큽니다(%1의 변 길이가 32비트 정수를 넘습니다)",
      u"The padded canvas is too large (a side of %1 exceeds a 32-bit integer)"}},
    {{u"图片过大：%1 补齐为 %2 约需 %3 MB 内存，超出每张图片的上限 %4 MB",
      u"圖片過大：%1 補齊為 %2 約需 %3 MB 記憶體，超出每張圖片的上限 %4 MB",
      u"画像が大きすぎます：%1 を %2 に補完するには約 %3 MB のメモリが必要で、1 枚あたりの上限 %4 MB を超えます",
      u"이미지가 너무 큽니다: %1을(를) %2(으)로 채우려면 약 %3 MB의 메모리가 필요하며, 이미지당 한도 %4 MB를 넘습니다",
      u"Image too large: padding %1 to %2 needs about %3 MB of memory, above the limit of %4 MB per image"}},
    {{u"补齐后的画布过大（%1），超出可处理的上限 %2 MB", u"補齊後的畫布過大（%1），超出可處理的上限 %2 MB",
      u"余白を加えたカンバスが大きすぎます（%1）。処理できる上限 %2 MB を超えます",
      u"여백을 채운 캔버스가 너무 큽니다(%1). 처리 한도 %2 MB를 넘습니다",
      u"The padded canvas is too large (%1), above the limit of %2 MB"}},
    {{u"输出目录不存在：%1", u"輸出目錄不存在：%1", u"出力フォルダーが見つかりません：%1", u"출력 폴더가 없습니다: %1",
      u"Output folder not found: %1"}},
    {{u"文件名过长：%1 有 %2 字节，超出文件系统允许的 %3 字节",
      u"檔案名稱過長：%1 有 %2 位元組，超出檔案系統允許的 %3 位元組",
      u"ファイル名が長すぎます：%1 は %2 バイトで、ファイルシステムの上限 %3 バイトを超えます",
      u"파일 이름이 너무 깁니다: %1은(는) %2바이트로, 파일 시스템 한도 %3바이트를 넘습니다",
      u"File name too long: %1 has %2 bytes, above the file system's limit of %3 bytes"}},
    {{u"与本次列表中较早的 %1 输出到同一个文件 %2；为免覆盖它的结果，%3 未处理",
      u"與本次清單中較早的 %1 輸出到同一個檔案 %2；為免覆寫它的結果，%3 未處理",
      u"このリストで先に処理した %1 と同じファイル %2 に出力されるため、その結果を上書きしないよう %3 は処理していません",
      u"이번 목록에서 먼저 처리한 %1과(와) 같은 파일 %2(으)로 출력되므로, 그 결과를 덮어쓰지 않도록 %3은(는) 처리하지 "
      u"않았습니다",
      u"%3 was not processed: it would go to the same file %2 as %1, earlier in this list, and overwrite its result"}},
    {{u"%1 旁边已有同名的 %2（可能是之前处理的结果），为免覆盖它，本图片未处理。要继续，请选择输出目录，或先移走或删除 %2",
      u"%1 旁邊已有同名的 %2（可能是之前處理的結果），為免覆寫它，本圖片未處理。若要繼續，請選擇輸出目錄，或先移走或刪除 %2",
      u"%1 と同じ場所に同名の %2 があります（以前の処理結果の可能性があります）。上書きしないよう、この画像は処理していません。"
      u"続けるには、出力フォルダーを選択するか、先に %2 を移動または削除してください",
      u"%1 옆에 같은 이름의 %2이(가) 이미 있습니다(이전 처리 결과일 수 있음). 덮어쓰지 않도록 이 이미지는 처리하지 "
      u"않았습니다. 계속하려면 출력 폴더를 선택하거나 먼저 %2을(를) 옮기거나 삭제하세요",
      u"%2 already sits next to %1 (perhaps from an earlier run); this image was not processed so as not to "
      u"overwrite it. To go on, choose an output folder, or move or delete %2 first"}},
    {{u"目标文件为只读，没有写入权限，未作改动：%1", u"目標檔案為唯讀，沒有寫入權限，未作變更：%1",
      u"出力先のファイルは読み取り専用で書き込めないため、変更していません：%1",
      u"대상 파일이 읽기 전용이라 쓸 수 없어 변경하지 않았습니다: %1",
      u"The destination is read-only and was left unchanged: %1"}},
    {{u"输出文件 %1 是本次列表中的原图 %2；为免覆盖原图，%3 未处理",
      u"輸出檔案 %1 是本次清單中的原圖 %2；為免覆寫原圖，%3 未處理",
      u"出力ファイル %1 はこのリストにある元画像 %2 です。元画像を上書きしないよう、%3 は処理していません",
      u"출력 파일 %1은(는) 이번 목록의 원본 이미지 %2입니다. 원본을 덮어쓰지 않도록 %3은(는) 처리하지 않았습니다",
      u"%3 was not processed: its output %1 is the original %2 in this list, which it would overwrite"}},
    {{u"内存不足，无法创建 %1 的画布", u"記憶體不足，無法建立 %1 的畫布", u"メモリが不足しているため、%1 のカンバスを作成できません",
      u"메모리가 부족하여 %1 캔버스를 만들 수 없습니다", u"Not enough memory to create a canvas of %1"}},
    {{u"回读失败：%1", u"回讀失敗：%1", u"読み戻しに失敗しました：%1", u"다시 읽기 실패: %1", u"Read-back failed: %1"}},
    {{u"回读内容校验失败：写入磁盘的数据与编码结果不一致", u"回讀內容驗證失敗：寫入磁碟的資料與編碼結果不一致",
      u"読み戻しの内容検証に失敗しました：ディスクに書き込んだデータがエンコード結果と一致しません",
      u"다시 읽은 내용 검증 실패: 디스크에 쓴 데이터가 인코딩 결과와 다릅니다",
      u"Read-back check failed: the data on disk differs from the encoded result"}},
    {{u"回读尺寸校验失败", u"回讀尺寸驗證失敗", u"読み戻しのサイズ検証に失敗しました", u"다시 읽은 크기 검증 실패",
      u"Read-back size check failed"}},

    // Decoding and encoding.
    {{u"编码失败（%1）：%2", u"編碼失敗（%1）：%2", u"エンコードに失敗しました（%1）：%2", u"인코딩 실패(%1): %2",
      u"Encoding failed (%1): %2"}},
    {{u"图片数据不完整或已损坏：%1", u"圖片資料不完整或已損毀：%1", u"画像データが不完全か、破損しています：%1",
      u"이미지 데이터가 불완전하거나 손상되었습니다: %1", u"Image data incomplete or damaged: %1"}},
    {{u"文件为空，不是有效的图片", u"檔案為空，不是有效的圖片", u"ファイルが空で、有効な画像ではありません",
      u"파일이 비어 있어 올바른 이미지가 아닙니다", u"The file is empty, not a valid image"}},
    {{u"不支持的图片格式：文件内容不是 PNG、JPEG、BMP、GIF 或 TIFF 图片",
      u"不支援的圖片格式：檔案內容不是 PNG、JPEG、BMP、GIF 或 TIFF 圖片",
      u"対応していない画像形式：ファイルの内容が PNG、JPEG、BMP、GIF、TIFF のいずれの画像でもありません",
      u"지원하지 않는 이미지 형식: 파일 내용이 PNG, JPEG, BMP, GIF, TIFF 이미지가 아닙니다",
      u"Unsupported image format: the file is not a PNG, JPEG, BMP, GIF or TIFF image"}},
    {{u"无法识别的图片格式：%1", u"無法辨識的圖片格式：%1", u"画像形式を認識できません：%1", u"이미지 형식을 인식할 수 없습니다: %1",
      u"Unrecognized image format: %1"}},
    {{u"无法读取图片尺寸：%1", u"無法讀取圖片尺寸：%1", u"画像サイズを読み取れません：%1", u"이미지 크기를 읽을 수 없습니다: %1",
      u"Cannot read the image size: %1"}},
    {{u"图片过大（%1），解码需要约 %2 MB 内存，超出上限 %3 MB", u"圖片過大（%1），解碼需要約 %2 MB 記憶體，超出上限 %3 MB",
      u"画像が大きすぎます（%1）。デコードに約 %2 MB のメモリが必要で、上限 %3 MB を超えます",
      u"이미지가 너무 큽니다(%1). 디코딩에 약 %2 MB의 메모리가 필요하며 한도 %3 MB를 넘습니다",
      u"Image too large (%1): decoding needs about %2 MB of memory, above the limit of %3 MB"}},
    {{u"无法解码图片：%1", u"無法解碼圖片：%1", u"画像をデコードできません：%1", u"이미지를 디코딩할 수 없습니다: %1",
      u"Cannot decode the image: %1"}},
    {{u"缺少 JPEG 结束标记，数据在结尾之前中断", u"缺少 JPEG 結束標記，資料在結尾之前中斷",
      u"JPEG の終了マーカーがなく、データが途中で切れています", u"JPEG 끝 표시가 없어 데이터가 끝나기 전에 끊겼습니다",
      u"JPEG end marker missing: the data stops short of the end"}},
    {{u"编码失败（PNG）：压缩失败", u"編碼失敗（PNG）：壓縮失敗", u"エンコードに失敗しました（PNG）：圧縮に失敗しました",
      u"인코딩 실패(PNG): 압축 실패", u"Encoding failed (PNG): compression failed"}},
    {{u"编码失败（PNG）：%1", u"編碼失敗（PNG）：%1", u"エンコードに失敗しました（PNG）：%1", u"인코딩 실패(PNG): %1",
      u"Encoding failed (PNG): %1"}},
    {{u"内存不足，无法编码 PNG", u"記憶體不足，無法編碼 PNG", u"メモリが不足しているため、PNG をエンコードできません",
      u"메모리가 부족하여 PNG를 인코딩할 수 없습니다", u"Not enough memory to encode the PNG"}},
    {{u"没有可编码的图像", u"沒有可編碼的影像", u"エンコードする画像がありません", u"인코딩할 이미지가 없습니다",
      u"No image to encode"}},
    {{u"未知的编码器", u"未知的編碼器", u"不明なエンコーダー", u"알 수 없는 인코더", u"Unknown encoder"}},
    {{u"图片过大，BMP 文件不能超过 4 GB", u"圖片過大，BMP 檔案不能超過 4 GB", u"画像が大きすぎます。BMP ファイルは 4 GB を超えられません",
      u"이미지가 너무 큽니다. BMP 파일은 4 GB를 넘을 수 없습니다", u"Image too large: a BMP file cannot exceed 4 GB"}},
    {{u"giflib 错误 %1", u"giflib 錯誤 %1", u"giflib エラー %1", u"giflib 오류 %1", u"giflib error %1"}},
    {{u"LZW 最小码长无效：%1", u"LZW 最小碼長無效：%1", u"LZW の最小コード長が無効です：%1", u"LZW 최소 코드 길이가 잘못되었습니다: %1",
      u"Invalid LZW minimum code size: %1"}},
    {{u"LZW 数据提前结束，%1 个像素中只写入了 %2 个", u"LZW 資料提前結束，%1 個像素中只寫入了 %2 個",
      u"LZW データが途中で終わっています（%1 ピクセル中 %2 ピクセルのみ）", u"LZW 데이터가 일찍 끝났습니다(픽셀 %1개 중 %2개만 기록됨)",
      u"LZW data ends early: only %2 of %1 pixels written"}},
    {{u"无效的 LZW 编码 %1", u"無效的 LZW 編碼 %1", u"無効な LZW コード %1", u"잘못된 LZW 코드 %1", u"Invalid LZW code %1"}},
    {{u"BMP 文件头不完整", u"BMP 檔頭不完整", u"BMP のファイルヘッダーが不完全です", u"BMP 파일 헤더가 불완전합니다",
      u"BMP file header incomplete"}},
    {{u"BMP 信息头不完整", u"BMP 資訊標頭不完整", u"BMP の情報ヘッダーが不完全です", u"BMP 정보 헤더가 불완전합니다",
      u"BMP info header incomplete"}},
    {{u"像素数据起点 %1 超出文件长度 %2 字节", u"像素資料起點 %1 超出檔案長度 %2 位元組",
      u"ピクセルデータの開始位置 %1 がファイルの長さ %2 バイトを超えています",
      u"픽셀 데이터 시작 위치 %1이(가) 파일 길이 %2바이트를 넘습니다",
      u"Pixel data start %1 lies beyond the file length of %2 bytes"}},
    {{u"像素数据只有 %1 字节，应有 %2 字节", u"像素資料只有 %1 位元組，應有 %2 位元組",
      u"ピクセルデータが %1 バイトしかありません（%2 バイト必要）", u"픽셀 데이터가 %1바이트뿐입니다(%2바이트 필요)",
      u"Pixel data has only %1 bytes of %2"}},
    {{u"第 %1 帧起的数据不完整（%2），只使用完整的第 1 帧", u"第 %1 格起的資料不完整（%2），只使用完整的第 1 格",
      u"%1 フレーム目以降のデータが不完全なため（%2）、完全な 1 フレーム目だけを使います",
      u"%1번째 프레임부터 데이터가 불완전하여(%2) 온전한 첫 번째 프레임만 사용합니다",
      u"Data from frame %1 on is incomplete (%2); only the complete first frame is used"}},
    {{u"GIF 的宽和高不能超过 %1 像素", u"GIF 的寬和高不能超過 %1 像素", u"GIF の幅と高さは %1 ピクセルを超えられません",
      u"GIF의 너비와 높이는 %1픽셀을 넘을 수 없습니다", u"A GIF's width and height cannot exceed %1 pixels"}},
    {{u"GIF 颜色量化失败", u"GIF 色彩量化失敗", u"GIF の減色に失敗しました", u"GIF 색상 양자화 실패", u"GIF color quantization failed"}},
    {{u"无法创建 GIF 调色板", u"無法建立 GIF 調色盤", u"GIF のパレットを作成できません", u"GIF 팔레트를 만들 수 없습니다",
      u"Cannot create the GIF palette"}},
    {{u"GIF 编码失败：%1", u"GIF 編碼失敗：%1", u"GIF のエンコードに失敗しました：%1", u"GIF 인코딩 실패: %1",
      u"GIF encoding failed: %1"}},
    {{u"内存不足，无法解码 %1×%2 的 TIFF 图片", u"記憶體不足，無法解碼 %1×%2 的 TIFF 圖片",
      u"メモリが不足しているため、%1×%2 の TIFF 画像をデコードできません", u"메모리가 부족하여 %1×%2 TIFF 이미지를 디코딩할 수 없습니다",
      u"Not enough memory to decode a %1×%2 TIFF image"}},
    {{u"无法解码图片：TIFF 扫描行长度异常", u"無法解碼圖片：TIFF 掃描行長度異常", u"画像をデコードできません：TIFF のスキャンライン長が異常です",
      u"이미지를 디코딩할 수 없습니다: TIFF 스캔라인 길이가 비정상입니다", u"Cannot decode the image: odd TIFF scanline length"}},
    {{u"无法解码图片：TIFF 数据读取失败（第 %1 行）", u"無法解碼圖片：TIFF 資料讀取失敗（第 %1 行）",
      u"画像をデコードできません：TIFF データの読み取りに失敗しました（%1 行目）",
      u"이미지를 디코딩할 수 없습니다: TIFF 데이터 읽기 실패(%1행)", u"Cannot decode the image: TIFF data unreadable (row %1)"}},

    // Files on disk.
    {{u"无法打开文件：%1", u"無法開啟檔案：%1", u"ファイルを開けません：%1", u"파일을 열 수 없습니다: %1", u"Cannot open the file: %1"}},
    {{u"无法读取文件信息：%1", u"無法讀取檔案資訊：%1", u"ファイル情報を読み取れません：%1", u"파일 정보를 읽을 수 없습니다: %1",
      u"Cannot read the file's details: %1"}},
    {{u"不是普通文件（可能是文件夹、管道或设备），已跳过", u"不是一般檔案（可能是資料夾、管道或裝置），已略過",
      u"通常のファイルではないため（フォルダー、パイプ、デバイスなど）、スキップしました",
      u"일반 파일이 아니어서(폴더, 파이프, 장치 등) 건너뛰었습니다",
      u"Not a regular file (perhaps a folder, pipe or device); skipped"}},
    {{u"文件过大（%1 字节），超出可处理的上限 %2 字节", u"檔案過大（%1 位元組），超出可處理的上限 %2 位元組",
      u"ファイルが大きすぎます（%1 バイト）。処理できる上限 %2 バイトを超えます",
      u"파일이 너무 큽니다(%1바이트). 처리 한도 %2바이트를 넘습니다",
      u"File too large (%1 bytes), above the limit of %2 bytes"}},
    {{u"读取文件失败：%1", u"讀取檔案失敗：%1", u"ファイルの読み込みに失敗しました：%1", u"파일 읽기 실패: %1",
      u"Reading the file failed: %1"}},
    {{u"文件名过长，文件系统无法创建临时文件 %1", u"檔案名稱過長，檔案系統無法建立暫存檔 %1",
      u"ファイル名が長すぎるため、ファイルシステムに一時ファイル %1 を作成できません",
      u"파일 이름이 너무 길어 파일 시스템에 임시 파일 %1을(를) 만들 수 없습니다",
      u"File name too long: the file system cannot create the temporary file %1"}},
    {{u"无法删除残留的临时文件 %1：%2", u"無法刪除殘留的暫存檔 %1：%2", u"残っている一時ファイル %1 を削除できません：%2",
      u"남아 있는 임시 파일 %1을(를) 삭제할 수 없습니다: %2", u"Cannot delete the leftover temporary file %1: %2"}},
    {{u"无法创建临时文件 %1：%2", u"無法建立暫存檔 %1：%2", u"一時ファイル %1 を作成できません：%2",
      u"임시 파일 %1을(를) 만들 수 없습니다: %2", u"Cannot create the temporary file %1: %2"}},
    {{u"无法创建临时文件 %1", u"無法建立暫存檔 %1", u"一時ファイル %1 を作成できません", u"임시 파일 %1을(를) 만들 수 없습니다",
      u"Cannot create the temporary file %1"}},
    {{u"写入临时文件失败 %1：%2", u"寫入暫存檔失敗 %1：%2", u"一時ファイル %1 への書き込みに失敗しました：%2",
      u"임시 파일 %1 쓰기 실패: %2", u"Writing the temporary file %1 failed: %2"}},
    // The system's reasons, in English as the system itself words them.
    {{u"设备上没有剩余空间", u"裝置上已沒有剩餘空間", u"デバイスに空き領域がありません", u"장치에 남은 공간이 없습니다",
      u"No space left on device"}},
    {{u"超出磁盘配额", u"超出磁碟配額", u"ディスク クォータを超えました", u"디스크 할당량을 초과했습니다",
      u"Disk quota exceeded"}},
    {{u"只读文件系统", u"唯讀檔案系統", u"読み取り専用のファイルシステムです", u"읽기 전용 파일 시스템입니다",
      u"Read-only file system"}},
    {{u"无法替换目标文件 %1：%2", u"無法取代目標檔案 %1：%2", u"出力先のファイル %1 を置き換えられません：%2",
      u"대상 파일 %1을(를) 교체할 수 없습니다: %2", u"Cannot replace the destination %1: %2"}},
    {{u"无法删除文件 %1：%2", u"無法刪除檔案 %1：%2", u"ファイル %1 を削除できません：%2", u"파일 %1을(를) 삭제할 수 없습니다: %2",
      u"Cannot delete the file %1: %2"}},
    {{u"Windows 错误 %1", u"Windows 錯誤 %1", u"Windows エラー %1", u"Windows 오류 %1", u"Windows error %1"}},
};

// Its language is written once at start, then read by the window and the engine's threads.
TextTable::Catalog catalog(rows);

} // namespace

bool setLanguage(const QString &code)
{
    return catalog.setLanguage(code);
}

QString language()
{
    return catalog.language();
}

const TextTable::Dictionary &dictionary()
{
    return catalog.dictionary();
}

QString translate(const QString &source)
{
    return catalog.translate(source);
}

QString translateCount(const QString &source, std::initializer_list<TextTable::Count> counts)
{
    return catalog.translate(source, counts);
}

QString separator()
{
    return catalog.languageIndex() <= 2 ? QStringLiteral("；") : QStringLiteral("; ");
}

QString aside(const QString &text)
{
    return catalog.languageIndex() <= 2 ? QStringLiteral("（%1）").arg(text) : QStringLiteral(" (%1)").arg(text);
}

} // namespace HelperText
