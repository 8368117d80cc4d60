; A small classification expert system: it asks yes/no questions about an
; animal and names it. Answers are read from the console, one per line.
;
;   rulesh examples/animals.clp
;   printf 'yes\nno\nyes\n' | rulesh examples/animals.clp

(deftemplate question (slot feature) (slot text))
(deftemplate answer (slot feature) (slot value))

(deffacts questions
   (question (feature fur) (text "Does it have fur?"))
   (question (feature stripes) (text "Does it have stripes?"))
   (question (feature barks) (text "Does it bark?"))
   (question (feature feathers) (text "Does it have feathers?"))
   (question (feature flies) (text "Can it fly?")))

; Asks each question when some rule still needs its answer.
(defrule ask
   (declare (salience 10))
   (need ?feature)
   (question (feature ?feature) (text ?text))
   (not (answer (feature ?feature)))
   =>
   (printout t ?text " (yes/no) ")
   (bind ?reply (readline))
   (printout t crlf)
   (if (eq ?reply "yes")
      then (assert (answer (feature ?feature) (value yes)))
      else (assert (answer (feature ?feature) (value no)))))

(defrule start => (assert (need fur)))

(defrule furry
   (answer (feature fur) (value yes))
   =>
   (assert (need stripes)))

(defrule tiger
   (answer (feature stripes) (value yes))
   =>
   (printout t "It is a tiger." crlf)
   (halt))

(defrule no-stripes
   (answer (feature stripes) (value no))
   =>
   (assert (need barks)))

(defrule dog
   (answer (feature barks) (value yes))
   =>
   (printout t "It is a dog." crlf)
   (halt))

(defrule cat
   (answer (feature barks) (value no))
   =>
   (printout t "It is a cat." crlf)
   (halt))

(defrule no-fur
   (answer (feature fur) (value no))
   =>
   (assert (need feathers)))

(defrule feathered
   (answer (feature feathers) (value yes))
   =>
   (assert (need flies)))

(defrule bird
   (answer (feature flies) (value yes))
   =>
   (printout t "It is a bird." crlf)
   (halt))

(defrule penguin
   (answer (feature flies) (value no))
   =>
   (printout t "It is a penguin." crlf)
   (halt))

(defrule fish
   (answer (feature feathers) (value no))
   =>
   (printout t "It is a fish." crlf)
   (halt))

(reset)
(run)
