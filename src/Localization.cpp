#include "Localization.h"

#include "PaddingChoices.h"

#include "RuntimeTexts.h"
#include "TextTable.h"

#include <QSettings>
#include <QVariant>

#include <iterator>

namespace {

const QString languageKey = QStringLiteral("general/language");
// How Qt reads the key back from an INI file it wrote ("[%General]").
const QString languageKeyReadBack = QStringLiteral("General/language");

const char16_t *const languageCodes[] = {u"zh_CN", u"zh_TW", u"ja_JP", u"ko_KR", u"en_US"};

using ToolRow = TextTable::Row;

// The texts of the tool window and its pages.
const ToolRow toolRows[] = {
    {{u"图片尺寸调整工具", u"圖片尺寸調整工具", u"画像サイズ調整ツール", u"이미지 크기 조정 도구",
      u"Image Resize Tool"}},
    {{u"PSD&PSB安全瘦身工具", u"PSD&PSB安全瘦身工具", u"PSD&PSB安全スリム化ツール", u"PSD&PSB 안전 최적화 도구",
      u"PSD&PSB Safe Slim Tool"}},
    {{u"PSD图层批量导出工具", u"PSD圖層批次匯出工具", u"PSDレイヤー一括書き出しツール", u"PSD 레이어 일괄 내보내기 도구",
      u"PSD Layer Batch Export Tool"}},
    {{u"工具操作", u"工具操作", u"ツール操作", u"도구 작업", u"Tool actions"}},
    {{u"选择文件", u"選擇檔案", u"ファイルを選択", u"파일 선택", u"Choose files"}},
    {{u"选择多个图片", u"選擇多張圖片", u"画像を選択", u"이미지 선택", u"Choose images"}},
    {{u"选择多个文件夹", u"選擇多個資料夾", u"フォルダーを選択", u"폴더 선택", u"Choose folders"}},
    {{u"清空列表", u"清空清單", u"リストをクリア", u"목록 지우기", u"Clear list"}},
    {{u"返回文件管理", u"返回檔案管理", u"ファイル管理に戻る", u"파일 관리로 돌아가기", u"Back to file manager"}},
    {{u"移除选中项", u"移除選取項目", u"選択項目を削除", u"선택 항목 제거", u"Remove selected"}},
    {{u"文件名", u"檔案名稱", u"ファイル名", u"파일 이름", u"File name"}},
    {{u"所在位置", u"所在位置", u"場所", u"위치", u"Location"}},
    {{u"大小", u"大小", u"サイズ", u"크기", u"Size"}},
    {{u"状态", u"狀態", u"状態", u"상태", u"Status"}},
    {{u"就绪", u"就緒", u"準備完了", u"준비됨", u"Ready"}},
    {{u"等待处理", u"等待處理", u"処理待ち", u"대기 중", u"Pending"}},
    {{u"开始处理", u"開始處理", u"処理を開始", u"처리 시작", u"Start processing"}},
    {{u"开始导出", u"開始匯出", u"書き出しを開始", u"내보내기 시작", u"Start export"}},
    {{u"运行日志", u"執行記錄", u"実行ログ", u"실행 로그", u"Run log"}},
    {{u"设置", u"設定", u"設定", u"설정", u"Settings"}},
    {{u"帮助", u"說明", u"ヘルプ", u"도움말", u"Help"}},
    {{u"关闭", u"關閉", u"閉じる", u"닫기", u"Close"}},
    // A state, as in "深度清理：关闭", not the button.
    {{u"关闭", u"關閉", u"オフ", u"끔", u"off"}, u"off"},
    {{u"开启", u"開啟", u"オン", u"켬", u"on"}},
    {{u"尺寸规则：", u"尺寸規則：", u"サイズ規則：", u"크기 규칙:", u"Sizing rule:"}},
    {{u"补边颜色：", u"補邊顏色：", u"余白の色：", u"여백 색상:", u"Padding color:"}},
    {{u"透明", u"透明", u"透明", u"투명", u"Transparent"}},
    {{u"白色", u"白色", u"白", u"흰색", u"White"}},
    {{u"黑色", u"黑色", u"黒", u"검은색", u"Black"}},
    {{u"内容居中", u"內容置中", u"内容を中央に配置", u"내용 가운데 정렬", u"Center content"}},
    // The colour dialog's title and the swatch's name.
    {{u"补边颜色", u"補邊顏色", u"余白の色", u"여백 색상", u"Padding color"}},
    // The spin box beside "其他倍数…", for screen readers.
    {{u"倍数", u"倍數", u"倍数", u"배수", u"Multiple"}},
    {{u"统一输出无损 PNG", u"統一輸出無損 PNG", u"ロスレス PNG で出力", u"무손실 PNG로 출력", u"Output lossless PNG"}},
    {{u"文件夹含子目录", u"資料夾含子目錄", u"サブフォルダーを含める", u"하위 폴더 포함", u"Include subfolders"}},
    {{u"输出位置：", u"輸出位置：", u"出力先：", u"출력 위치:", u"Output location:"}},
    {{u"浏览", u"瀏覽", u"参照", u"찾아보기", u"Browse"}},
    {{u"恢复默认", u"還原預設", u"既定に戻す", u"기본값 복원", u"Restore default"}},
    {{u"裁切透明像素", u"裁切透明像素", u"透明ピクセルをトリミング", u"투명 픽셀 자르기", u"Trim transparent pixels"}},
    {{u"应用剪贴蒙版", u"套用剪裁遮色片", u"クリッピングマスクを適用", u"클리핑 마스크 적용", u"Apply clipping masks"}},
    {{u"剪贴到下方图层的图层只保留其基底图层可见的部分",
      u"剪裁至下方圖層的圖層只保留其底層可見的部分",
      u"下のレイヤーにクリップされたレイヤーは、ベースレイヤーが表示される部分だけを残します",
      u"아래 레이어에 클리핑된 레이어는 기본 레이어가 보이는 부분만 남깁니다",
      u"A layer clipped to the layer below keeps only what its base layer shows"}},
    {{u"补边尺寸：", u"補邊尺寸：", u"余白サイズ：", u"여백 크기:", u"Padding size:"}},
    {{u"无规则（只裁切，不扩图）", u"無規則（只裁切，不擴圖）", u"規則なし（トリミングのみ、拡張なし）",
      u"규칙 없음(자르기만, 확장 안 함)", u"No rule (trim only)"}},
    {{u"已用时间：00:00:00", u"已用時間：00:00:00", u"経過時間：00:00:00", u"경과 시간: 00:00:00",
      u"Elapsed: 00:00:00"}},
    {{u"剩余时间：--:--:--", u"剩餘時間：--:--:--", u"残り時間：--:--:--", u"남은 시간: --:--:--",
      u"Remaining: --:--:--"}},
    {{u"制作者：Pictavo Studio  ｜  联系邮箱：support@pictavo.example",
      u"製作者：Pictavo Studio  ｜  聯絡信箱：support@pictavo.example",
      u"制作：Pictavo Studio  ｜  連絡先メール：support@pictavo.example",
      u"제작: Pictavo Studio  |  이메일: support@pictavo.example",
      u"Created by: Pictavo Studio  |  Email: support@pictavo.example"}},
    {{u"将文件或文件夹拖到这里\n也可以使用上方的选择按钮", u"將檔案或資料夾拖曳到這裡\n也可以使用上方的選擇按鈕",
      u"ファイルやフォルダーをここにドロップ\n上の選択ボタンからも追加できます",
      u"파일이나 폴더를 여기에 끌어다 놓으세요\n위의 선택 버튼으로도 추가할 수 있습니다",
      u"Drop files or folders here\nor use the selection buttons above"}},
    {{u"深度清理嵌入式 PSD/PSB 智能对象（较慢）", u"深度清理內嵌 PSD/PSB 智慧型物件（較慢）",
      u"埋め込み PSD/PSB スマートオブジェクトも徹底的にクリーンアップ（低速）",
      u"포함된 PSD/PSB 고급 개체까지 정밀 정리(느림)",
      u"Deep-clean embedded PSD/PSB smart objects (slower)"}},
    {{u"内置离线安全处理，不启动 Adobe Photoshop；保存前后自动校验画布与图层结构。",
      u"內建離線安全處理，不啟動 Adobe Photoshop；儲存前後自動驗證畫布與圖層結構。",
      u"内蔵のオフライン安全処理で、Adobe Photoshop は起動しません。保存の前後にカンバスとレイヤー構造を自動で検証します。",
      u"내장된 오프라인 안전 처리로 Adobe Photoshop을 실행하지 않으며, 저장 전후에 캔버스와 레이어 구조를 자동으로 검증합니다.",
      u"Offline safe processing without Adobe Photoshop; validates canvas and layer structure before and after "
      u"saving."}},
    {{u"已选文件列表：支持 PSD / PSB，也可直接拖入文件或文件夹",
      u"已選檔案清單：支援 PSD / PSB，也可直接拖入檔案或資料夾",
      u"選択したファイル：PSD / PSB に対応。ファイルやフォルダーを直接ドロップすることもできます",
      u"선택한 파일: PSD / PSB 지원. 파일이나 폴더를 바로 끌어다 놓을 수도 있습니다",
      u"Selected files: PSD / PSB supported. You can also drop files or folders here."}},
    {{u"输出目录（留空＝原位置替换）：", u"輸出目錄（留空＝原位置取代）：", u"出力フォルダー（空欄＝元の場所で置き換え）：",
      u"출력 폴더(비워 두면 원래 위치에서 교체):", u"Output folder (empty = replace in place):"}},
    {{u"留空时直接替换原文件", u"留空時直接取代原檔案", u"空欄の場合は元のファイルを置き換えます",
      u"비워 두면 원본 파일을 바로 교체합니다", u"Leave empty to replace the original file"}},
    {{u"恢复原位置替换", u"還原為原位置取代", u"元の場所での置き換えに戻す", u"원래 위치 교체로 복원",
      u"Restore in-place replacement"}},
    {{u"自动：在 PSD/PSB 旁创建同名文件夹", u"自動：在 PSD/PSB 旁建立同名資料夾",
      u"自動：PSD/PSB と同じ場所に同名のフォルダーを作成", u"자동: PSD/PSB 옆에 같은 이름의 폴더 만들기",
      u"Automatic: create a same-named folder next to the PSD/PSB"}},
    {{u"浏览...", u"瀏覽...", u"参照...", u"찾아보기...", u"Browse..."}},
    {{u"取消后，每个 PNG 保持原 PSD/PSB 的完整画布尺寸和图层坐标",
      u"取消後，每個 PNG 會保留原 PSD/PSB 的完整畫布尺寸與圖層座標",
      u"オフにすると、各 PNG は元の PSD/PSB のカンバスサイズとレイヤー座標をそのまま保持します",
      u"해제하면 각 PNG가 원본 PSD/PSB의 전체 캔버스 크기와 레이어 좌표를 유지합니다",
      u"When cleared, each PNG retains the original PSD/PSB canvas size and layer coordinates"}},
    {{u"清理处理日志", u"清除處理記錄", u"処理ログをクリア", u"처리 로그 지우기", u"Clear processing log"}},
    // Following the helper's run, and what each picture will become.
    {{u"尺寸（当前 → 处理后）", u"尺寸（目前 → 處理後）", u"サイズ（現在 → 処理後）", u"크기(현재 → 처리 후)",
      u"Size (now → after)"}},
    {{u"已符合", u"已符合", u"適合済み", u"이미 맞음", u"already fits"}},
    {{u"无法读取", u"無法讀取", u"読み取れません", u"읽을 수 없음", u"Unreadable"}},
    {{u"将调整尺寸：%1 个", u"將調整尺寸：%1 個", u"サイズ変更予定：%1 件", u"크기 조정 예정: %1개", u"To resize: %1"}},
    {{u"无法读取：%1 个", u"無法讀取：%1 個", u"読み取れません：%1 件", u"읽을 수 없음: %1개", u"Unreadable: %1"}},
    {{u"正在处理 %1/%2：%3", u"正在處理 %1/%2：%3", u"処理中 %1/%2：%3", u"처리 중 %1/%2: %3",
      u"Processing %1/%2: %3"}},
    {{u"处理完成：成功 %1，失败 %2，跳过 %3", u"處理完成：成功 %1，失敗 %2，略過 %3", u"処理完了：成功 %1、失敗 %2、スキップ %3",
      u"처리 완료: 성공 %1, 실패 %2, 건너뜀 %3", u"Done: %1 succeeded, %2 failed, %3 skipped"}},
    {{u"处理未完成", u"處理未完成", u"処理は完了していません", u"처리가 완료되지 않음", u"Not finished"}},
    {{u"已跳过", u"已略過", u"スキップ", u"건너뜀", u"Skipped"}},
    {{u"已符合规则，未改动", u"已符合規則，未改動", u"適合済みのため変更なし", u"이미 맞음 — 변경하지 않음",
      u"Already fits — unchanged"}},
    // Stopping the helper, and what a run that ended early leaves behind.
    {{u"停止", u"停止", u"停止", u"중지", u"Stop"}},
    {{u"已取消", u"已取消", u"キャンセル", u"취소됨", u"Cancelled"}},
    {{u"未开始：停止后未处理，原图保持不变。", u"未開始：停止後未處理，原圖保持不變。", u"未開始：停止したため処理せず、元のままです。",
      u"시작 안 함: 중지되어 처리하지 않았으며 원본 그대로입니다.", u"Not started: the run was stopped; the original is untouched."}},
    {{u"[%1] 已请求停止：正在处理的图片完成并校验后结束，其余图片不再开始。",
      u"[%1] 已要求停止：處理中的圖片完成並校驗後結束，其餘圖片不再開始。",
      u"[%1] 停止を要求しました。処理中の画像を仕上げて検証したら終了し、残りの画像は開始しません。",
      u"[%1] 중지를 요청했습니다. 처리 중인 이미지를 마치고 검증한 뒤 끝내며, 나머지 이미지는 시작하지 않습니다.",
      u"[%1] Stop requested: images in progress are finished and verified, no other image starts."}},
    {{u"处理已停止：成功 %1，失败 %2，跳过 %3，未开始 %4", u"處理已停止：成功 %1，失敗 %2，略過 %3，未開始 %4",
      u"処理を停止：成功 %1、失敗 %2、スキップ %3、未開始 %4", u"처리 중지됨: 성공 %1, 실패 %2, 건너뜀 %3, 시작 안 함 %4",
      u"Stopped: %1 succeeded, %2 failed, %3 skipped, %4 not started"}},
    {{u"[%1] 处理已停止：成功 %2，失败 %3，跳过 %4，未开始 %5。", u"[%1] 處理已停止：成功 %2，失敗 %3，略過 %4，未開始 %5。",
      u"[%1] 処理を停止しました：成功 %2、失敗 %3、スキップ %4、未開始 %5。",
      u"[%1] 처리를 중지했습니다: 성공 %2, 실패 %3, 건너뜀 %4, 시작 안 함 %5.",
      u"[%1] Stopped: %2 succeeded, %3 failed, %4 skipped, %5 not started."}},
    {{u"已完成（未确认）", u"已完成（未確認）", u"完了（未確認）", u"완료(확인 안 됨)", u"Done (not confirmed)"}},
    {{u"助手结束前没有报告这张图片；它的输出文件在本次处理中写入，尺寸符合规则。",
      u"助手結束前沒有回報這張圖片；它的輸出檔案在本次處理中寫入，尺寸符合規則。",
      u"ヘルパーは終了前にこの画像を報告しませんでしたが、出力ファイルは今回の処理中に書き込まれ、サイズも規則に合っています。",
      u"도우미가 종료 전에 이 이미지를 보고하지 않았지만, 출력 파일이 이번 처리 중에 기록되었고 크기도 규칙에 맞습니다.",
      u"The helper ended before reporting this image; its output was written during this run and has the rule's size."}},
    {{u"[%1] 已知写入 %2 个图片，其中 %3 个助手未及报告，按输出文件确认。",
      u"[%1] 已知寫入 %2 張圖片，其中 %3 張助手未及回報，依輸出檔案確認。",
      u"[%1] 書き込み済みと分かっている画像は %2 枚です（うち %3 枚はヘルパーが報告する前で、出力ファイルで確認しました）。",
      u"[%1] 기록된 것으로 확인된 이미지 %2개(그중 %3개는 도우미가 보고하기 전이라 출력 파일로 확인).",
      u"[%1] %2 {image is|images are} known written; %3 of them the helper had not reported, confirmed by their output files."}},
    {{u"已完成 → %1 %2", u"已完成 → %1 %2", u"完了 → %1 %2", u"완료 → %1 %2", u"Done → %1 %2"}},
    {{u"输出：%1（%2，%3）", u"輸出：%1（%2，%3）", u"出力：%1（%2、%3）", u"출력: %1 (%2, %3)", u"Output: %1 (%2, %3)"}},
    {{u"打开输出文件夹", u"開啟輸出資料夾", u"出力フォルダーを開く", u"출력 폴더 열기", u"Open output folder"}},
    {{u"打开原文件夹", u"開啟原資料夾", u"元のフォルダーを開く", u"원본 폴더 열기", u"Open source folder"}},
    {{u"打开失败报告", u"開啟失敗報告", u"失敗レポートを開く", u"실패 보고서 열기", u"Open failure report"}},
    {{u"工具设置", u"工具設定", u"ツール設定", u"도구 설정", u"Tool settings"}},
    {{u"界面语言：", u"介面語言：", u"表示言語：", u"인터페이스 언어:", u"Interface language:"}},
    {{u"外观：", u"外觀：", u"外観：", u"모양:", u"Appearance:"}},
    {{u"跟随系统", u"跟隨系統", u"システムに合わせる", u"시스템 설정 따르기", u"Follow the system"}},
    {{u"浅色", u"淺色", u"ライト", u"밝게", u"Light"}},
    {{u"深色", u"深色", u"ダーク", u"어둡게", u"Dark"}},
    {{u"无法打开", u"無法開啟", u"開けません", u"열 수 없음", u"Cannot open"}},
    {{u"桌面没有可以打开这个位置的程序。可以复制路径，在文件管理器中打开。",
      u"桌面沒有可以開啟這個位置的程式。可以複製路徑，在檔案管理員中開啟。",
      u"この場所を開けるプログラムがデスクトップにありません。パスをコピーしてファイルマネージャーで開いてください。",
      u"데스크톱에 이 위치를 열 수 있는 프로그램이 없습니다. 경로를 복사해 파일 관리자에서 여세요.",
      u"No program on this desktop can open this location. Copy the path to open it in a file manager."}},
    {{u"复制路径", u"複製路徑", u"パスをコピー", u"경로 복사", u"Copy path"}},
    {{u"版本号：%1", u"版本：%1", u"バージョン：%1", u"버전: %1", u"Version: %1"}},
    {{u"帮助 - %1", u"說明 - %1", u"ヘルプ - %1", u"도움말 - %1", u"Help - %1"}},
    // The one-line summaries under the help dialog's title.
    {{u"图片尺寸调整：添加图片或文件夹，选择尺寸规则、补边颜色和输出位置，然后开始处理。",
      u"圖片尺寸調整：加入圖片或資料夾，選擇尺寸規則、補邊顏色與輸出位置，然後開始處理。",
      u"画像サイズ調整：画像やフォルダーを追加し、サイズ規則・余白の色・出力先を選んでから処理を開始します。",
      u"이미지 크기 조정: 이미지나 폴더를 추가하고 크기 규칙, 여백 색상, 출력 위치를 고른 다음 처리를 시작합니다.",
      u"Image resize: add pictures or folders, choose the sizing rule, padding color and output location, then start "
      u"processing."}},
    {{u"PSD&PSB 安全瘦身：添加文件或文件夹后开始处理。大量文件会自动分批，超出建议范围时会先提示。",
      u"PSD&PSB 安全瘦身：加入檔案或資料夾後開始處理。大量檔案會自動分批，超出建議範圍時會先提示。",
      u"PSD&PSB 安全スリム化：ファイルやフォルダーを追加して処理を開始します。大量のファイルは自動で分割して処理し、"
      u"推奨範囲を超える場合は先に確認します。",
      u"PSD&PSB 안전 최적화: 파일이나 폴더를 추가한 뒤 처리를 시작합니다. 파일이 많으면 자동으로 나누어 처리하며, "
      u"권장 범위를 넘으면 먼저 알려 드립니다.",
      u"PSD&PSB safe slim: add files or folders, then start processing. Large numbers of files are split into batches "
      u"automatically, with a prompt first beyond the recommended range."}},
    {{u"PSD 图层批量导出：添加 PSD 或 PSB 文件，设置导出位置与透明像素裁切规则，然后开始导出。",
      u"PSD 圖層批次匯出：加入 PSD 或 PSB 檔案，設定匯出位置與透明像素裁切規則，然後開始匯出。",
      u"PSD レイヤー一括書き出し：PSD または PSB ファイルを追加し、書き出し先と透明ピクセルのトリミングを設定してから"
      u"書き出しを開始します。",
      u"PSD 레이어 일괄 내보내기: PSD 또는 PSB 파일을 추가하고 내보낼 위치와 투명 픽셀 자르기 규칙을 설정한 다음 "
      u"내보내기를 시작합니다.",
      u"PSD layer batch export: add PSD or PSB files, set the export location and transparent-pixel trimming, then "
      u"start the export."}},
};

struct GeneralRow
{
    const char16_t *source;
    const char16_t *texts[4]; // zh_TW, ja_JP, ko_KR, en_US
};

// The general dictionary comes in two tables, consulted in this order.
const GeneralRow generalRowsFirst[] = {
    {u"已选 0 个 PSD / PSB", {u"已選 0 個 PSD / PSB", u"選択済み PSD / PSB: 0", u"선택한 PSD / PSB 0개",
                             u"0 PSD / PSB selected"}},
    {u"已选 %1 个 PSD / PSB", {u"已選 %1 個 PSD / PSB", u"選択済み PSD / PSB: %1", u"선택한 PSD / PSB %1개",
                              u"%1 PSD / PSB selected"}},
};

const GeneralRow generalRowsSecond[] = {
    {u"%1 个文件  |  %2  |  支持：%3", {u"%1 個檔案  |  %2  |  支援：%3", u"%1 ファイル  |  %2  |  対応：%3",
                                      u"파일 %1개  |  %2  |  지원: %3", u"%1 files  |  %2  |  Supported: %3"}},
};

using Dictionary = QHash<QString, QStringList>;

template<std::size_t N>
Dictionary buildGeneral(const GeneralRow (&rows)[N])
{
    Dictionary dictionary;
    dictionary.reserve(qsizetype(N));
    for (const GeneralRow &row : rows) {
        QStringList texts;
        for (const char16_t *text : row.texts)
            texts.append(QString::fromUtf16(text));
        dictionary.insert(QString::fromUtf16(row.source), texts);
    }
    return dictionary;
}

struct GeneralDictionary
{
    Dictionary first = buildGeneral(generalRowsFirst);
    Dictionary second = buildGeneral(generalRowsSecond);
};

const GeneralDictionary &generalDictionary()
{
    static const GeneralDictionary dictionary;
    return dictionary;
}

} // namespace

QString storedLanguage(const QSettings &settings)
{
    if (settings.contains(languageKey))
        return settings.value(languageKey).toString();
    return settings.value(languageKeyReadBack).toString();
}

QString storedLanguage()
{
    return storedLanguage(QSettings());
}

void storeLanguage(QSettings &settings, const QString &code)
{
    // Both spellings land in the same "[%General]" section: one must go, or
    // the file would hold the section twice.
    settings.remove(languageKeyReadBack);
    settings.setValue(languageKey, code);
}

void removeStoredLanguage(QSettings &settings)
{
    settings.remove(languageKeyReadBack);
    settings.remove(languageKey);
}

QString toolLanguageCode()
{
    return QString::fromUtf16(languageCodes[toolLanguageIndex()]);
}

const QHash<QString, QStringList> &toolDictionary()
{
    static const Dictionary dictionary = [] {
        Dictionary built;
        TextTable::addRows(&built, toolRows);
        const auto [choiceRows, choiceCount] = PaddingChoices::textRows();
        TextTable::addRows(&built, choiceRows, choiceCount);
        addRuntimeTexts(&built);
        return built;
    }();
    return dictionary;
}

namespace {

// The tool dictionary's text with its "{one|other}" choices still in place.
QString toolText(const QString &source)
{
    const Dictionary &dictionary = toolDictionary();
    const auto found = dictionary.constFind(source);
    if (found == dictionary.constEnd() || found->isEmpty())
        return translateGeneralText(source);
    const int index = toolLanguageIndex();
    return index < found->size() ? found->at(index) : source;
}

bool hasChoice(const QString &text)
{
    return text.contains(u'{');
}

// The column of a language in the workers' and helper's general dictionary.
int generalLanguageIndexFor(const QString &language)
{
    if (language == u"zh_TW")
        return 0;
    if (language == u"ja_JP")
        return 1;
    if (language == u"ko_KR")
        return 2;
    return 3;
}

} // namespace

QString translateToolText(const QString &source)
{
    const QString text = toolText(source);
    return hasChoice(text) ? TextTable::chooseForms(text, {}) : text;
}

QString translateToolText(const QString &source, QStringView meaning)
{
    const QString key = TextTable::key(source, meaning);
    if (!toolDictionary().contains(key))
        return translateToolText(source);
    const QString text = TextTable::lookup(toolDictionary(), key, toolLanguageIndex());
    return text.isNull() ? source : text;
}

QString translateCount(const QString &source, std::initializer_list<std::pair<int, qint64>> counts)
{
    const QString text = toolText(source);
    return hasChoice(text) ? TextTable::chooseForms(text, counts) : text;
}

const QHash<QString, QStringList> &generalDictionaryTable(int table)
{
    return table == 0 ? generalDictionary().first : generalDictionary().second;
}

QString translateGeneralText(const QString &source)
{
    // The stored language is read once per text, not once per question about it.
    const QString language = currentLanguageCode();
    if (language == u"zh_CN")
        return source;
    const GeneralDictionary &dictionary = generalDictionary();
    auto found = dictionary.first.constFind(source);
    if (found == dictionary.first.constEnd()) {
        found = dictionary.second.constFind(source);
        if (found == dictionary.second.constEnd())
            return source;
    }
    if (found->isEmpty())
        return source;
    const int index = generalLanguageIndexFor(language);
    return index < found->size() ? found->at(index) : source;
}

QString currentLanguageCode()
{
    const QString stored = storedLanguage();
    if (!stored.isEmpty())
        return stored;
    return languageCodeForLocale(QLocale::system());
}

QString languageCodeForLocale(const QLocale &locale)
{
    const QString name = locale.name().toLower();
    if (name.startsWith(u"zh_tw") || name.startsWith(u"zh_hk"))
        return QStringLiteral("zh_TW");
    if (name.startsWith(u"ja"))
        return QStringLiteral("ja_JP");
    if (name.startsWith(u"ko"))
        return QStringLiteral("ko_KR");
    if (name.startsWith(u"zh"))
        return QStringLiteral("zh_CN");
    return QStringLiteral("en_US");
}

int toolLanguageIndex()
{
    const QString language = storedLanguage();
    if (language == u"zh_TW")
        return 1;
    if (language == u"ja_JP")
        return 2;
    if (language == u"ko_KR")
        return 3;
    if (language == u"en_US")
        return 4;
    return 0;
}

int generalLanguageIndex()
{
    return generalLanguageIndexFor(currentLanguageCode());
}

QLocale interfaceLocale()
{
    return TextTable::localeFor(storedLanguage());
}

QString formatDataSize(qint64 bytes)
{
    return formatDataSize(interfaceLocale(), bytes);
}

QString formatDataSize(const QLocale &locale, qint64 bytes)
{
    // Qt's English unit has no singular ("1 bytes").
    if (bytes == 1 && locale.language() == QLocale::English)
        return QStringLiteral("1 byte");
    return locale.formattedDataSize(bytes, 2, QLocale::DataSizeIecFormat);
}
