# The office's system printer as the pipe list's print session and the main
# job use it: every plot is a PDF job in the spool folder, the root of drive C.
name = Office laser
printer = Office laser
paper A4 = 210 297
paper A3 = 420 297
to_printer = 1
to_named_file = 0
extension = pdf
spool = C:\
