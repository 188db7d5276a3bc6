#include "RuntimeTexts.h"

#include "TextTable.h"

// The same word for the same thing in every row:
//   output folder  輸出目錄 / 出力フォルダー / 출력 폴더 / output folder
//   in place       原位置取代 / 元の場所で置き換え / 원래 위치에서 교체 / replace in place
//   padding        補邊 / 余白 / 여백 / padding
//   worker         背景元件 / バックグラウンド処理 / 백그라운드 구성 요소 / background worker
//   slimming       瘦身 / スリム化 / 최적화 / slimming
//   export         匯出 / 書き出し / 내보내기 / export
// English counts write "{one|other}" after the number's placeholder (translateCount).

namespace {

const TextTable::Row runtimeRows[] = {
    // Replacing in place: the question before, and Undo after.
    {{u"撤销上次处理", u"復原上次處理", u"前回の処理を元に戻す", u"지난 처리 실행 취소", u"Undo last run"}},
    {{u"原位置替换", u"原位置取代", u"元の場所で置き換え", u"원래 위치에서 교체", u"Replace in place"}},
    {{u"%1 个图片将被替换；原图会放入回收站。", u"%1 張圖片將被取代；原圖會放入資源回收筒。",
      u"%1 枚の画像を置き換えます。元の画像はごみ箱に移します。", u"이미지 %1개가 교체됩니다. 원본은 휴지통으로 옮겨집니다.",
      u"%1 {picture|pictures} will be replaced; {the original goes|the originals go} to the trash."}},
    {{u"%1 个原图将被替换，且无法恢复。", u"%1 張原圖將被取代，且無法復原。", u"元の画像 %1 枚を置き換えます。元には戻せません。",
      u"원본 %1개가 교체되며 복구할 수 없습니다.", u"%1 {original|originals} will be replaced and cannot be recovered."}},
    {{u"不再询问", u"不再詢問", u"今後は確認しない", u"다시 묻지 않음", u"Don't ask again"}},
    {{u"在回收站中保留被替换的原图", u"在資源回收筒中保留被取代的原圖", u"置き換えた元の画像をごみ箱に残す",
      u"교체된 원본을 휴지통에 보관", u"Keep replaced originals in the trash"}},
    {{u"把上次原位置处理替换的原图从回收站放回原处，并删除那次处理写入的图片？处理后被改动过的文件保持不动。",
      u"把上次原位置處理取代的原圖從資源回收筒放回原處，並刪除那次處理寫入的圖片？處理後被修改過的檔案保持不變。",
      u"前回の元の場所での処理で置き換えた元の画像をごみ箱から戻し、その処理で書き込んだ画像を削除しますか？処理後に変更されたファイルはそのままにします。",
      u"지난번 원래 위치 처리에서 교체된 원본을 휴지통에서 되돌리고 그 처리에서 쓴 이미지를 삭제할까요? 처리 후 변경된 파일은 그대로 둡니다.",
      u"Put back from the trash the originals the last in-place run replaced, and remove the pictures it wrote? Files changed since are left alone."}},
    {{u"[%1] 已撤销上次处理：恢复 %2 个原图，删除 %3 个处理结果，%4 个文件保持不动。",
      u"[%1] 已復原上次處理：還原 %2 張原圖，刪除 %3 個處理結果，%4 個檔案保持不變。",
      u"[%1] 前回の処理を元に戻しました：元の画像 %2 件を復元、処理結果 %3 件を削除、%4 件はそのままです。",
      u"[%1] 지난 처리를 실행 취소했습니다: 원본 %2개 복원, 처리 결과 %3개 삭제, %4개는 그대로 둠.",
      u"[%1] Undid the last run: %2 restored, %3 removed, %4 left alone."}},
    // Row statuses.
    {{u"已传递", u"已傳遞", u"受け渡し済み", u"전달됨", u"Sent to helper"}},
    {{u"未传递", u"未傳遞", u"未受け渡し", u"전달 안 됨", u"Not sent"}},
    {{u"未开始", u"未開始", u"未開始", u"시작 안 됨", u"Not started"}},
    {{u"等待导出", u"等待匯出", u"書き出し待ち", u"내보내기 대기 중", u"Pending export"}},
    {{u"已完成", u"已完成", u"完了", u"완료", u"Done"}},
    {{u"未改动", u"未變更", u"変更なし", u"변경 없음", u"Unchanged"}},
    {{u"失败", u"失敗", u"失敗", u"실패", u"Failed"}},
    {{u"失败：%1", u"失敗：%1", u"失敗：%1", u"실패: %1", u"Failed: %1"}},
    {{u"已结束，详见日志", u"已結束，詳見記錄", u"終了（詳細はログ）", u"종료됨(로그 참조)", u"Finished, see log"}},
    {{u"未完成", u"未完成", u"未完了", u"미완료", u"Incomplete"}},

    // Status line, elapsed and remaining time.
    {{u"正在启动…", u"正在啟動…", u"起動しています…", u"시작하는 중…", u"Starting…"}},
    {{u"已启动", u"已啟動", u"起動しました", u"시작됨", u"Started"}},
    {{u"启动失败", u"啟動失敗", u"起動に失敗しました", u"시작 실패", u"Failed to start"}},
    {{u"正在读取 PSD/PSB...", u"正在讀取 PSD/PSB...", u"PSD/PSB を読み込んでいます...", u"PSD/PSB 읽는 중...",
      u"Reading PSD/PSB..."}},
    {{u"正在扫描图层...", u"正在掃描圖層...", u"レイヤーをスキャンしています...", u"레이어 검색 중...", u"Scanning layers..."}},
    {{u"正在处理第 %1-%2 项（每批 %3 项）", u"正在處理第 %1-%2 項（每批 %3 項）", u"%1-%2 件目を処理中（1 バッチ %3 件）",
      u"%1-%2번째 항목 처리 중(배치당 %3개)", u"Processing items %1-%2 (%3 per batch)"}},
    {{u"处理完成", u"處理完成", u"処理完了", u"처리 완료", u"Done"}},
    {{u"处理完成，%1 项失败", u"處理完成，%1 項失敗", u"処理完了（失敗 %1 件）", u"처리 완료, %1개 실패",
      u"Done, %1 failed"}},
    {{u"导出失败", u"匯出失敗", u"書き出し失敗", u"내보내기 실패", u"Export failed"}},
    {{u"导出未完成", u"匯出未完成", u"書き出し未完了", u"내보내기 미완료", u"Export incomplete"}},
    {{u"已用时间：%1", u"已用時間：%1", u"経過時間：%1", u"경과 시간: %1", u"Elapsed: %1"}},
    {{u"剩余时间：%1", u"剩餘時間：%1", u"残り時間：%1", u"남은 시간: %1", u"Remaining: %1"}},
    {{u"剩余时间：00:00:00", u"剩餘時間：00:00:00", u"残り時間：00:00:00", u"남은 시간: 00:00:00",
      u"Remaining: 00:00:00"}},
    // The file summary under the list; the general dictionary's row cannot say "1 file".
    {{u"%1 个文件  |  %2  |  支持：%3", u"%1 個檔案  |  %2  |  支援：%3", u"%1 ファイル  |  %2  |  対応：%3",
      u"파일 %1개  |  %2  |  지원: %3", u"%1 {file|files}  |  %2  |  Supported: %3"}},

    // Run log: the file list.
    {{u"[%1] 已加入 %2 个文件，忽略 %3 个不适用文件。", u"[%1] 已加入 %2 個檔案，略過 %3 個不適用的檔案。",
      u"[%1] ファイルを %2 個追加し、対象外のファイル %3 個を無視しました。",
      u"[%1] 파일 %2개를 추가하고 해당하지 않는 파일 %3개는 무시했습니다.",
      u"[%1] Added %2 {file|files}; ignored %3 unsupported {file|files}."}},
    {{u"[%1] 已跳过 %2 个隐藏文件或文件夹。", u"[%1] 已略過 %2 個隱藏的檔案或資料夾。",
      u"[%1] 隠しファイルまたは隠しフォルダー %2 個をスキップしました。", u"[%1] 숨김 파일 또는 폴더 %2개를 건너뛰었습니다.",
      u"[%1] Skipped %2 hidden {file or folder|files or folders}."}},
    {{u"[%1] %2 个文件的名称不是有效的 UTF-8 编码，无法处理，已忽略。",
      u"[%1] %2 個檔案的名稱不是有效的 UTF-8 編碼，無法處理，已略過。",
      u"[%1] 名前が有効な UTF-8 ではないため処理できないファイル %2 個を無視しました。",
      u"[%1] 이름이 올바른 UTF-8이 아니어서 처리할 수 없는 파일 %2개를 무시했습니다.",
      u"[%1] Ignored %2 {file whose name is|files whose names are} not valid UTF-8 and cannot be processed."}},
    {{u"[%1] 已移除 %2 个选中文件。", u"[%1] 已從清單移除 %2 個選取的檔案。",
      u"[%1] 選択したファイル %2 個をリストから外しました。", u"[%1] 선택한 파일 %2개를 목록에서 제거했습니다.",
      u"[%1] Removed %2 selected {file|files} from the list."}},
    {{u"[%1] 已清空文件列表。", u"[%1] 已清空檔案清單。", u"[%1] ファイルリストをクリアしました。",
      u"[%1] 파일 목록을 비웠습니다.", u"[%1] Cleared the file list."}},

    // Run log and boxes: starting the image padding helper.
    {{u"[%1] 启动 %2，传递 %3 个文件。", u"[%1] 啟動 %2，傳遞 %3 個檔案。",
      u"[%1] %2 を起動し、ファイル %3 個を渡します。", u"[%1] %2 실행, 파일 %3개 전달.",
      u"[%1] Starting %2 with %3 {file|files}."}},
    {{u"[%1] 输出目录：%2", u"[%1] 輸出目錄：%2", u"[%1] 出力フォルダー：%2", u"[%1] 출력 폴더: %2",
      u"[%1] Output folder: %2"}},
    {{u"[%1] 文件较多，列表经临时文件传递给处理程序。", u"[%1] 檔案較多，清單經由暫存檔傳遞給處理程式。",
      u"[%1] ファイルが多いため、一時ファイルを介してリストを処理プログラムに渡します。",
      u"[%1] 파일이 많아 임시 파일을 통해 목록을 처리 프로그램에 전달합니다.",
      u"[%1] Many files: the list goes to the helper through a temporary file."}},
    {{u"[%1] 路径含换行符，无法传递，已略过：%2", u"[%1] 路徑含換行字元，無法傳遞，已略過：%2",
      u"[%1] パスに改行が含まれていて渡せないため、スキップしました：%2",
      u"[%1] 경로에 줄 바꿈이 있어 전달할 수 없으므로 건너뛰었습니다: %2",
      u"[%1] Skipped, the path holds a line break and cannot be handed over: %2"}},
    {{u"无法启动图片尺寸调整进程。", u"無法啟動圖片尺寸調整處理程序。", u"画像サイズ調整のプロセスを起動できませんでした。",
      u"이미지 크기 조정 프로세스를 시작할 수 없습니다.", u"Could not start the image resize process."}},
    {{u"失败：%1", u"失敗：%1", u"失敗：%1", u"실패: %1", u"Failed: %1"}},
    {{u"[%1] 原因：%2", u"[%1] 原因：%2", u"[%1] 原因：%2", u"[%1] 원인: %2", u"[%1] Reason: %2"}},
    {{u"无法启动工具", u"無法啟動工具", u"ツールを起動できません", u"도구를 시작할 수 없음", u"Cannot start the tool"}},
    {{u"系统临时文件夹中没有只属于当前用户的私有文件夹可用（可能已被其他用户占用或对他人开放）。",
      u"系統暫存資料夾中沒有只屬於目前使用者的私人資料夾可用（可能已被其他使用者佔用，或對他人開放）。",
      u"システムの一時フォルダーに、現在のユーザー専用のフォルダーを用意できません（他のユーザーが使用しているか、"
      u"他のユーザーにも開放されている可能性があります）。",
      u"시스템 임시 폴더에 현재 사용자 전용 폴더를 사용할 수 없습니다(다른 사용자가 이미 쓰고 있거나 다른 사람에게 "
      u"열려 있을 수 있습니다).",
      u"No private folder of the current user is available in the system's temporary folder (another user may "
      u"hold it, or it is open to others)."}},
    {{u"程序无法启动：没有只属于当前用户的私有文件夹可用。\n%1",
      u"程式無法啟動：沒有只屬於目前使用者的私人資料夾可用。\n%1",
      u"プログラムを起動できません：現在のユーザー専用のフォルダーを使用できません。\n%1",
      u"프로그램을 시작할 수 없습니다: 현재 사용자 전용 폴더를 사용할 수 없습니다.\n%1",
      u"The program cannot start: no private folder of the current user is available.\n%1"}},

    // Following the helper's run.
    {{u"[%1] 上次的输出目录已不存在，未沿用：%2。输出目录现为空（原位置替换）。",
      u"[%1] 上次的輸出目錄已不存在，未沿用：%2。輸出目錄現為空（原位置取代）。",
      u"[%1] 前回の出力フォルダーが見つからないため、引き継ぎませんでした：%2。出力フォルダーは空欄（元の場所で置き換え）です。",
      u"[%1] 지난번 출력 폴더가 없어 이어서 쓰지 않았습니다: %2. 출력 폴더는 비어 있습니다(원래 위치에서 교체).",
      u"[%1] The last output folder no longer exists and was not kept: %2. The output folder is now empty (replace "
      u"in place)."}},
    {{u"超出可处理范围", u"超出可處理範圍", u"処理できる上限を超過", u"처리 한도 초과", u"too large to process"}},
    {{u"输出：%1", u"輸出：%1", u"出力：%1", u"출력: %1", u"Output: %1"}},
    {{u"[%1] 处理完成：成功 %2，失败 %3，跳过 %4。", u"[%1] 處理完成：成功 %2，失敗 %3，略過 %4。",
      u"[%1] 処理完了：成功 %2、失敗 %3、スキップ %4。", u"[%1] 처리 완료: 성공 %2, 실패 %3, 건너뜀 %4.",
      u"[%1] Done: %2 succeeded, %3 failed, %4 skipped."}},
    {{u"[%1] 助手在处理完成前已结束（窗口被关闭或程序异常退出）：成功 %2，失败 %3，%4 个文件未处理。",
      u"[%1] 輔助程式在處理完成前已結束（視窗被關閉或程式異常結束）：成功 %2，失敗 %3，%4 個檔案未處理。",
      u"[%1] 処理が終わる前にヘルパーが終了しました（ウィンドウが閉じられたか、異常終了しました）：成功 %2、失敗 %3、"
      u"未処理のファイル %4 個。",
      u"[%1] 처리가 끝나기 전에 도우미가 종료되었습니다(창이 닫혔거나 비정상 종료됨): 성공 %2, 실패 %3, 처리되지 않은 "
      u"파일 %4개.",
      u"[%1] The helper ended before finishing (its window was closed or it quit unexpectedly): %2 succeeded, %3 "
      u"failed, %4 {file|files} not processed."}},

    // Dialogs.
    {{u"选择输出目录", u"選擇輸出目錄", u"出力フォルダーを選択", u"출력 폴더 선택", u"Choose output folder"}},
    {{u"选择输出文件夹", u"選擇輸出資料夾", u"書き出し先フォルダーを選択", u"내보낼 폴더 선택", u"Choose export folder"}},
    {{u"选择一个或多个文件夹", u"選擇一或多個資料夾", u"フォルダーを選択（複数可）", u"폴더 선택(여러 개 가능)",
      u"Choose one or more folders"}},
    {{u"支持的图片 (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff)", u"支援的圖片 (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff)",
      u"対応画像 (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff)", u"지원되는 이미지 (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff)",
      u"Supported images (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff)"}},
    {{u"Photoshop 文件 (*.psd *.psb)", u"Photoshop 檔案 (*.psd *.psb)", u"Photoshop ファイル (*.psd *.psb)",
      u"Photoshop 파일 (*.psd *.psb)", u"Photoshop files (*.psd *.psb)"}},

    // PSD slimming: boxes and run log.
    {{u"尚未选择文件", u"尚未選擇檔案", u"ファイルが選択されていません", u"선택한 파일 없음", u"No files selected"}},
    {{u"请先选择 PSD/PSB 文件或文件夹。", u"請先選擇 PSD/PSB 檔案或資料夾。",
      u"先に PSD/PSB ファイルまたはフォルダーを選択してください。", u"먼저 PSD/PSB 파일이나 폴더를 선택하세요.",
      u"Choose PSD/PSB files or folders first."}},
    {{u"无法开始处理", u"無法開始處理", u"処理を開始できません", u"처리를 시작할 수 없음", u"Cannot start processing"}},
    {{u"后台瘦身组件不存在：%1", u"背景瘦身元件不存在：%1", u"スリム化のバックグラウンド処理が見つかりません：%1",
      u"최적화 백그라운드 구성 요소가 없습니다: %1", u"The background slimming worker is missing: %1"}},
    {{u"大批量 PSD/PSB 处理确认", u"大量 PSD/PSB 處理確認", u"大量の PSD/PSB 処理の確認", u"대량 PSD/PSB 처리 확인",
      u"Confirm a large PSD/PSB batch"}},
    {{u"已选择 %1 个文件（%2）。为了避免长队列导致后台解析器内存持续增长，程序会每 %3 "
      u"个文件自动完成一个安全批次并重启后台组件。\n\n处理期间，每个文件所在目录必须保留可用临时空间，"
      u"且单个 PSD/PSB 的解析可能占用数倍于文件大小的内存。不会覆盖未经结构校验的文件。是否继续？",
      u"已選擇 %1 個檔案（%2）。為了避免長佇列導致背景解析器的記憶體持續增長，程式會每 %3 "
      u"個檔案自動完成一個安全批次，並重新啟動背景元件。\n\n處理期間，每個檔案所在的資料夾必須保留可用的暫存空間，"
      u"且單一 PSD/PSB 的解析可能佔用數倍於檔案大小的記憶體。未經結構驗證的檔案不會覆寫原檔。是否繼續？",
      u"%1 個のファイル（%2）が選択されています。キューが長くなってバックグラウンドの解析処理のメモリが増え続けないよう、"
      u"%3 ファイルごとに安全なバッチとして区切り、バックグラウンド処理を再起動します。\n\n"
      u"処理中は、各ファイルのあるフォルダーに一時ファイル用の空き容量が必要です。また、1 つの PSD/PSB "
      u"の解析にファイルサイズの数倍のメモリを使うことがあります。構造を検証していない結果で上書きすることはありません。"
      u"続行しますか？",
      u"파일 %1개(%2)를 선택했습니다. 대기열이 길어져 백그라운드 분석기의 메모리가 계속 늘어나지 않도록 파일 %3개마다 "
      u"안전한 배치를 마무리하고 백그라운드 구성 요소를 다시 시작합니다.\n\n처리하는 동안 각 파일이 있는 폴더에 임시 "
      u"공간이 남아 있어야 하며, PSD/PSB 하나를 분석하는 데 파일 크기의 몇 배에 이르는 메모리가 필요할 수 있습니다. "
      u"구조를 검증하지 않은 결과로 덮어쓰지 않습니다. 계속하시겠습니까?",
      u"%1 {file|files} selected (%2). To keep the background parser's memory from growing over a long queue, the "
      u"files go in safe batches of %3 and the background worker restarts after each batch.\n\nWhile processing, the "
      u"folder of each file needs free space for temporary files, and parsing a single PSD/PSB may take several times "
      u"its file size in memory. Nothing is overwritten by a result whose structure has not been verified. Continue?"}},
    {{u"超大 PSD/PSB 文件提示", u"超大 PSD/PSB 檔案提示", u"非常に大きな PSD/PSB ファイル", u"초대형 PSD/PSB 파일 알림",
      u"Very large PSD/PSB file"}},
    {{u"队列中包含大于 %1 的单个文件。该文件会在独立安全批次中处理，需要足够的磁盘临时空间与可用内存；"
      u"内存不足、文件被占用或格式不受支持时，该项会标记为失败，其余文件将继续处理。是否继续？",
      u"佇列中包含大於 %1 的單一檔案。該檔案會在獨立的安全批次中處理，需要足夠的磁碟暫存空間與可用記憶體；"
      u"記憶體不足、檔案被佔用或格式不受支援時，該項會標示為失敗，其餘檔案將繼續處理。是否繼續？",
      u"キューに %1 を超えるファイルが含まれています。このファイルは単独の安全なバッチで処理するため、十分なディスクの"
      u"一時領域と空きメモリが必要です。メモリ不足、ファイルの使用中、対応していない形式の場合はその項目を失敗とし、"
      u"残りのファイルの処理を続けます。続行しますか？",
      u"대기열에 %1보다 큰 파일이 있습니다. 이 파일은 별도의 안전한 배치로 처리되므로 디스크 임시 공간과 사용 가능한 "
      u"메모리가 충분해야 합니다. 메모리가 부족하거나 파일이 사용 중이거나 지원하지 않는 형식이면 해당 항목은 실패로 "
      u"표시되고 나머지 파일은 계속 처리됩니다. 계속하시겠습니까?",
      u"The queue holds a file larger than %1. It is processed in a safe batch of its own and needs enough temporary "
      u"disk space and free memory; if memory runs short, the file is in use or its format is not supported, it is "
      u"marked as failed and the other files carry on. Continue?"}},
    {{u"[%1] 开始无 Photoshop 安全瘦身，共 %2 个文件；深度清理：%3。",
      u"[%1] 開始不需 Photoshop 的安全瘦身，共 %2 個檔案；深度清理：%3。",
      u"[%1] Photoshop を使わない安全スリム化を開始します（%2 ファイル、徹底クリーンアップ：%3）。",
      u"[%1] Photoshop 없이 안전 최적화를 시작합니다. 파일 %2개, 정밀 정리: %3.",
      u"[%1] Started safe slimming without Photoshop: %2 {file|files}; deep clean: %3."}},
    {{u"无法继续处理", u"無法繼續處理", u"処理を続行できません", u"처리를 계속할 수 없음", u"Cannot continue processing"}},
    {{u"无法创建瘦身任务临时文件，剩余文件未被修改。", u"無法建立瘦身工作的暫存檔，其餘檔案未被修改。",
      u"スリム化ジョブの一時ファイルを作成できませんでした。残りのファイルは変更されていません。",
      u"최적화 작업 임시 파일을 만들 수 없습니다. 나머지 파일은 변경되지 않았습니다.",
      u"Could not create the slimming job's temporary file; the remaining files were not changed."}},
    {{u"开始瘦身批次：第 %1-%2 项，共 %3 项。", u"開始瘦身批次：第 %1-%2 項，共 %3 項。",
      u"スリム化バッチを開始：%1-%2 件目（全 %3 件）。", u"최적화 배치 시작: %1-%2번째 항목(전체 %3개).",
      u"Slimming batch started: items %1-%2 of %3."}},
    {{u"本批完成：成功 %1，失败 %2，节省 %3。", u"本批完成：成功 %1，失敗 %2，節省 %3。",
      u"バッチ完了：成功 %1、失敗 %2、削減 %3。", u"배치 완료: 성공 %1, 실패 %2, 절약 %3.",
      u"Batch done: %1 succeeded, %2 failed, %3 saved."}},
    {{u"瘦身任务结束：完成 %1 项，失败 %2 项，累计节省 %3。", u"瘦身工作結束：完成 %1 項，失敗 %2 項，累計節省 %3。",
      u"スリム化ジョブ終了：完了 %1 件、失敗 %2 件、合計削減 %3。", u"최적화 작업 종료: 완료 %1개, 실패 %2개, 총 절약 %3.",
      u"Slimming finished: %1 done, %2 failed, %3 saved in total."}},
    {{u"瘦身后台异常结束，当前批次 %1 项未完成，退出码：%2。",
      u"瘦身背景元件異常結束，目前批次有 %1 項未完成，結束代碼：%2。",
      u"スリム化のバックグラウンド処理が異常終了し、現在のバッチの %1 件が未完了です。終了コード：%2。",
      u"최적화 백그라운드 작업이 비정상 종료되어 현재 배치의 %1개 항목을 완료하지 못했습니다. 종료 코드: %2.",
      u"The slimming worker ended abnormally with %1 {item|items} of the current batch not done; exit code: %2."}},
    {{u"后台详情：%1", u"背景詳情：%1", u"バックグラウンドの詳細：%1", u"백그라운드 세부 정보: %1",
      u"Background details: %1"}},
    {{u"[%1] 后台输出的一行超过 1 MiB，已丢弃该行。", u"[%1] 背景輸出中有一行超過 1 MiB，已捨棄該行。",
      u"[%1] バックグラウンド処理の出力で 1 MiB を超える行を破棄しました。",
      u"[%1] 백그라운드 출력 중 1 MiB를 넘는 줄을 버렸습니다.",
      u"[%1] Dropped a line of background output longer than 1 MiB."}},

    // PSD layer export: boxes and run log.
    {{u"无法开始导出", u"無法開始匯出", u"書き出しを開始できません", u"내보내기를 시작할 수 없음", u"Cannot start the export"}},
    {{u"后台导出组件不存在：%1", u"背景匯出元件不存在：%1", u"書き出しのバックグラウンド処理が見つかりません：%1",
      u"내보내기 백그라운드 구성 요소가 없습니다: %1", u"The background export worker is missing: %1"}},
    {{u"无法创建临时导出任务文件。", u"無法建立暫存的匯出工作檔。", u"書き出しジョブの一時ファイルを作成できませんでした。",
      u"내보내기 작업 임시 파일을 만들 수 없습니다.", u"Could not create the temporary export job file."}},
    {{u"[%1] 开始页内直接导出，共 %2 个 PSD/PSB；不会打开第二个程序窗口。",
      u"[%1] 開始在本頁直接匯出，共 %2 個 PSD/PSB；不會開啟第二個程式視窗。",
      u"[%1] このページで直接書き出しを開始します（PSD/PSB %2 個）。別のプログラムウィンドウは開きません。",
      u"[%1] 이 페이지에서 바로 내보내기를 시작합니다(PSD/PSB %2개). 두 번째 프로그램 창은 열리지 않습니다.",
      u"[%1] Started exporting %2 PSD/PSB {file|files} on this page; no second program window opens."}},
    {{u"完成：%1 个文档，导出 %2 个图层，跳过 %3 个，失败 %4 个。",
      u"完成：%1 個文件，匯出 %2 個圖層，略過 %3 個，失敗 %4 個。",
      u"完了：ドキュメント %1 個、レイヤー %2 個を書き出し、スキップ %3 個、失敗 %4 個。",
      u"완료: 문서 %1개, 레이어 %2개 내보냄, 건너뜀 %3개, 실패 %4개.",
      u"Done: %1 {document|documents}, %2 {layer|layers} exported, %3 skipped, %4 failed."}},
    {{u"完成：%1 个文档，导出 %2 个图层，跳过 %3 个，失败 %4 个；%5 个文档失败。",
      u"完成：%1 個文件，匯出 %2 個圖層，略過 %3 個，失敗 %4 個；%5 個文件失敗。",
      u"完了：ドキュメント %1 個、レイヤー %2 個を書き出し、スキップ %3 個、失敗 %4 個。ドキュメント %5 個が失敗。",
      u"완료: 문서 %1개, 레이어 %2개 내보냄, 건너뜀 %3개, 실패 %4개. 문서 %5개 실패.",
      u"Done: %1 {document|documents}, %2 {layer|layers} exported, %3 skipped, %4 failed; %5 {document|documents} failed."}},
    {{u"导出错误：%1", u"匯出錯誤：%1", u"書き出しエラー：%1", u"내보내기 오류: %1", u"Export error: %1"}},
    {{u"后台导出异常结束，退出码：%1", u"背景匯出異常結束，結束代碼：%1", u"バックグラウンドの書き出しが異常終了しました。終了コード：%1",
      u"백그라운드 내보내기가 비정상 종료되었습니다. 종료 코드: %1", u"The export worker ended abnormally; exit code: %1"}},
    {{u"[%1] 后台导出已退出，但未报告完成结果，导出未完成。", u"[%1] 背景匯出已結束，但未回報完成結果，匯出未完成。",
      u"[%1] バックグラウンドの書き出しは終了しましたが、結果が報告されなかったため、書き出しは完了していません。",
      u"[%1] 백그라운드 내보내기가 종료되었지만 완료 결과를 보고하지 않아 내보내기가 끝나지 않았습니다.",
      u"[%1] The export worker quit without reporting a result; the export is incomplete."}},
};

} // namespace

void addRuntimeTexts(QHash<QString, QStringList> *dictionary)
{
    TextTable::addRows(dictionary, runtimeRows);
}
