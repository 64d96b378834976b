# frozen_string_literal: true

# Reads a valgrind --leak-check=full log and reports the blocks definitely or indirectly lost
# that the extension allocated: those whose allocation was made by a frame of this repository's
# code (the generated wrapper included), directly or through Ruby's allocation functions
# (ruby_xmalloc and the like, at most ALLOCATOR_FRAMES frames of libruby). Ruby's own tables,
# which it allocates while it runs the extension's calls and does not free at exit, are not
# counted. Exit status 1 when any block is the extension's.
#
#   ruby tests/sanitizer/leak_report.rb VALGRIND_LOG REPOSITORY_ROOT
ALLOCATOR_FRAMES = 3

log, root = ARGV
records = File.read(log).gsub(/^==\d+== ?/, '').split(/\n\s*\n/)
ours = records.select do |record|
  next false unless record =~ /are (definitely|indirectly) lost in loss record/

  frames = record.lines.grep(/^\s+(at|by) /).drop(1)
  first = frames.index { |frame| !frame.include?('libruby') }
  first && first <= ALLOCATOR_FRAMES &&
    (frames[first].include?(root) || frames[first].include?('vistrel_sketchup_plugin.so')) &&
    !record.include?('Init_vistrel_sketchup_plugin')
end
lost = ours.sum { |record| record[/([\d,]+) (?:\(.*\) )?bytes in/, 1].delete(',').to_i }
ours.each { |record| puts record, '' }
warn "leak-check: #{lost} bytes in #{ours.size} records lost from the extension"
exit(ours.empty? ? 0 : 1)
